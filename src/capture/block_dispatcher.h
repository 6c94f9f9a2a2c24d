#pragma once
// The spine of the decoding path: takes each filled capture block, hands it back to the
// device, splits it into the left and the right channel, measures the meters and hands
// both channels on, left first.

#include <array>
#include <cstdint>
#include <functional>

#include "common/sample_block.h"

namespace kub {

constexpr int kCaptureBufferCount = 10;
constexpr int kBlockSamples = 2 * kBlockFrames;  // interleaved left, right

using CaptureBlock = std::array<std::int16_t, kBlockSamples>;

// Receives blocks handed back for refilling.
class BlockRequeue {
public:
    virtual ~BlockRequeue() = default;
    virtual void requeueBuffer(int blockNumber) = 0;
};

// Mean and peak level of each channel, clipped to 32760.
struct MeterValues {
    int meanLeft = 0;
    int peakLeft = 0;
    int meanRight = 0;
    int peakRight = 0;
    bool operator==(const MeterValues&) const = default;
};

// A capture block's two channels, as the decoders take them, and their meters.
void splitCaptureBlock(const CaptureBlock& block, SampleArray& left, SampleArray& right, MeterValues& meters);

// Takes each block's two channels, after its meters.
class StereoBlockSink {
public:
    virtual ~StereoBlockSink() = default;
    virtual void takeStereoBlock(const SampleArray& left, const SampleArray& right, const MeterValues& meters) = 0;
};

class BlockDispatcher {
public:
    explicit BlockDispatcher(StereoBlockSink& sink) : sink_(sink) {}

    void setRequeue(BlockRequeue* requeue) { requeue_ = requeue; }
    // Called after each block's decoders: the reception handling's own clock work (an
    // incident whose time is up) goes at the pace of the audio, a file's as a card's.
    void setAfterBlock(std::function<void()> afterBlock) { afterBlock_ = std::move(afterBlock); }

    // Written by the capture device; block `currentBuffer()` is the one handled next.
    std::array<CaptureBlock, kCaptureBufferCount> captureBuffers{};
    int currentBuffer() const { return currentBuffer_; }
    // Capture (re)opened: the device starts filling block 0 again.
    void resetBuffers() { currentBuffer_ = 0; }

    // One notice per filled block. A notice that arrives while a block is still being
    // handled (the exports let the event loop run) is held and handled right after it,
    // so every block is decoded once, in order, and handed back once.
    void processCaptureBuffer();

    bool processingGuard() const { return processingGuard_; }
    int heldNotices() const { return heldNotices_; }
    const MeterValues& meters() const { return meters_; }
    std::int64_t blocksHandled() const { return blocksHandled_; }

private:
    void handleOneBlock();

    StereoBlockSink& sink_;
    BlockRequeue* requeue_ = nullptr;
    // The two channels of the block being handled.
    SampleArray left_{};
    SampleArray right_{};
    std::function<void()> afterBlock_;
    int currentBuffer_ = 0;
    bool processingGuard_ = false;
    int heldNotices_ = 0;
    MeterValues meters_;
    std::int64_t blocksHandled_ = 0;
};

}  // namespace kub
