#include "capture/block_dispatcher.h"

#include <cmath>
#include <cstdlib>

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

    // One simple loop per channel and task, so that the compiler can work on several
    // samples per instruction; the integer sums come out the same in any order.
    const auto convert = [&block](SampleArray& to, int side) {
        for (int k = 0; k < kBlockFrames; ++k)
            to[static_cast<std::size_t>(k)] = block[static_cast<std::size_t>(2 * k + side)];
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
    convert(left_, 0);
    convert(right_, 1);
    std::int32_t sumLeft = 0, sumRight = 0, peakLeft = 0, peakRight = 0;
    level(0, sumLeft, peakLeft);
    level(1, sumRight, peakRight);
    const int handled = currentBuffer_;
    currentBuffer_ = (currentBuffer_ + 1) % kCaptureBufferCount;
    if (requeue_) requeue_->requeueBuffer(handled);

    meters_.meanLeft = meanMeter(sumLeft);
    meters_.peakLeft = peakMeter(peakLeft);
    meters_.meanRight = meanMeter(sumRight);
    meters_.peakRight = peakMeter(peakRight);
    sink_.takeStereoBlock(left_, right_, meters_);
    ++blocksHandled_;
    if (afterBlock_) afterBlock_();
}

}  // namespace kub
