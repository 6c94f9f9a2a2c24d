#include "capture/block_dispatcher.h"

#include <cmath>
#include <cstdlib>

#include "common/wide_vectors.h"

namespace kub {

namespace {

constexpr std::int32_t kMeterMax = 32760;

int meanMeter(std::int32_t sum) {
    // Halves go to the even neighbour (the default rounding mode), as the meters always did.
    double mean = std::nearbyint(static_cast<double>(sum) / kBlockFrames);
    return mean > kMeterMax ? kMeterMax : static_cast<int>(mean);
}

int peakMeter(std::int32_t peak) { return peak > kMeterMax ? kMeterMax : peak; }

// One simple loop per channel and task, so that the compiler can work on several samples
// per instruction; the integer sums come out the same in any order.
KUB_WIDE_VECTORS void splitChannels(const CaptureBlock& block, SampleArray& left, SampleArray& right) {
    for (std::size_t k = 0; k < kBlockFrames; ++k) {
        left[k] = block[2 * k];
        right[k] = block[2 * k + 1];
    }
}

KUB_WIDE_VECTORS void measureLevels(const CaptureBlock& block, std::int32_t& sumLeft, std::int32_t& peakLeft,
                                    std::int32_t& sumRight, std::int32_t& peakRight) {
    std::int32_t sl = 0, pl = 0, sr = 0, pr = 0;
    for (std::size_t k = 0; k < kBlockFrames; ++k) {
        const std::int32_t l = std::abs(static_cast<std::int32_t>(block[2 * k]));
        const std::int32_t r = std::abs(static_cast<std::int32_t>(block[2 * k + 1]));
        pl = l > pl ? l : pl;
        sl += l;
        pr = r > pr ? r : pr;
        sr += r;
    }
    sumLeft = sl;
    peakLeft = pl;
    sumRight = sr;
    peakRight = pr;
}

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
    splitCaptureBlock(captureBuffers[static_cast<std::size_t>(currentBuffer_)], left_, right_, meters_);
    const int handled = currentBuffer_;
    currentBuffer_ = (currentBuffer_ + 1) % kCaptureBufferCount;
    if (requeue_) requeue_->requeueBuffer(handled);
    sink_.takeStereoBlock(left_, right_, meters_);
    ++blocksHandled_;
    if (afterBlock_) afterBlock_();
}

void splitCaptureBlock(const CaptureBlock& block, SampleArray& left, SampleArray& right, MeterValues& meters) {
    splitChannels(block, left, right);
    std::int32_t sumLeft = 0, sumRight = 0, peakLeft = 0, peakRight = 0;
    measureLevels(block, sumLeft, peakLeft, sumRight, peakRight);
    meters.meanLeft = meanMeter(sumLeft);
    meters.peakLeft = peakMeter(peakLeft);
    meters.meanRight = meanMeter(sumRight);
    meters.peakRight = peakMeter(peakRight);
}

}  // namespace kub
