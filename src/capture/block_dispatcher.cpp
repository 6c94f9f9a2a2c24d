#include "capture/block_dispatcher.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/reception_window.h"

namespace kub {

namespace {

constexpr std::int32_t kMeterMax = 32760;

int meanMeter(std::int32_t sum) {
    // Halves go to the even neighbour (the default rounding mode), as the meters always did.
    double mean = std::nearbyint(static_cast<double>(sum) / kBlockFrames);
    return mean > kMeterMax ? kMeterMax : static_cast<int>(mean);
}

int peakMeter(std::int32_t peak) { return peak > kMeterMax ? kMeterMax : peak; }

}  // namespace

void BlockDispatcher::processCaptureBuffer() {
    if (processingGuard_) {
        ++heldNotices_;
        return;
    }
    processingGuard_ = true;
    handleOneBlock();
    while (heldNotices_ > 0) {
        --heldNotices_;
        handleOneBlock();
    }
    processingGuard_ = false;
}

void BlockDispatcher::handleOneBlock() {
    const CaptureBlock& block = captureBuffers[static_cast<std::size_t>(currentBuffer_)];

    // Only the enabled decoders' inputs are written; a disabled one keeps what it held.
    double* inputs[6];
    int leftCount = 0;
    if (left_.switches.fmsEnabled == 1 && left_.fms) inputs[leftCount++] = left_.fms->samples.data();
    if (left_.switches.zveiEnabled == 1 && left_.zvei) inputs[leftCount++] = left_.zvei->samples.data();
    if (left_.switches.pocsagEnabled == 1 && left_.pocsag) inputs[leftCount++] = left_.pocsag->samples.data();
    int count = leftCount;
    if (right_.switches.fmsEnabled == 1 && right_.fms) inputs[count++] = right_.fms->samples.data();
    if (right_.switches.zveiEnabled == 1 && right_.zvei) inputs[count++] = right_.zvei->samples.data();
    if (right_.switches.pocsagEnabled == 1 && right_.pocsag) inputs[count++] = right_.pocsag->samples.data();

    // Each channel is converted once, into its first input; the others get a copy. One
    // simple loop per channel and task, so that the compiler can work on several samples
    // per instruction; the integer sums come out the same in any order.
    double* const firstLeft = leftCount > 0 ? inputs[0] : nullptr;
    double* const firstRight = count > leftCount ? inputs[leftCount] : nullptr;
    const auto convert = [&block](double* to, int side) {
        if (!to) return;
        for (int k = 0; k < kBlockFrames; ++k) to[k] = block[static_cast<std::size_t>(2 * k + side)];
    };
    const auto level = [&block](int side, std::int32_t& sum, std::int32_t& peak) {
        std::int32_t s = 0, p = 0;
        for (int k = 0; k < kBlockFrames; ++k) {
            const std::int32_t a = std::abs(static_cast<std::int32_t>(block[static_cast<std::size_t>(2 * k + side)]));
            p = a > p ? a : p;
            s += a;
        }
        sum = s;
        peak = p;
    };
    convert(firstLeft, 0);
    convert(firstRight, 1);
    std::int32_t sumLeft = 0, sumRight = 0, peakLeft = 0, peakRight = 0;
    level(0, sumLeft, peakLeft);
    level(1, sumRight, peakRight);
    for (int i = 1; i < leftCount; ++i) std::memcpy(inputs[i], firstLeft, sizeof(double) * kBlockFrames);
    for (int i = leftCount + 1; i < count; ++i) std::memcpy(inputs[i], firstRight, sizeof(double) * kBlockFrames);
    const int handled = currentBuffer_;
    currentBuffer_ = (currentBuffer_ + 1) % kCaptureBufferCount;
    if (requeue_) requeue_->requeueBuffer(handled);

    meters_.meanLeft = meanMeter(sumLeft);
    meters_.peakLeft = peakMeter(peakLeft);
    meters_.meanRight = meanMeter(sumRight);
    meters_.peakRight = peakMeter(peakRight);
    if (window_)
        window_->setMeters(meters_.meanLeft, meters_.peakLeft, meters_.meanRight,
                           meters_.peakRight);

    runChannel(left_);
    runChannel(right_);
    ++blocksHandled_;
    if (afterBlock_) afterBlock_();
}

void BlockDispatcher::runChannel(Channel& ch) {
    ChannelFlags& f = ch.flags;
    ++f.blocks;
    if (f.pocsagBusyFlag == 0) {
        if (ch.switches.fmsEnabled == 1 && f.zveiDecodedFlag <= 0 && ch.fms) ch.fms->processFmsBuffer();
        f.zveiDecodedFlag = 0;
        if (ch.switches.zveiEnabled == 1 && f.fmsBusyFlag == 0 && ch.zvei) ch.zvei->processZveiBuffer();
    }
    if (ch.switches.pocsagEnabled == 1 && f.zveiDecodedFlag == 0 && f.fmsBusyFlag == 0 && ch.pocsag)
        ch.pocsag->processPocsagBuffer();
}

}  // namespace kub
