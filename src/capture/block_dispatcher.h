#pragma once
// The spine of the decoding path: takes each filled capture block, hands it back to the
// device, splits the channels into the enabled decoders' inputs, drives the meters and
// calls the decoders of the left and then the right channel under the busy-flag rules.

#include <array>
#include <cstdint>
#include <functional>

#include "capture/decoder_inputs.h"

namespace kub {

class ReceptionWindow;

constexpr int kCaptureBufferCount = 10;
constexpr int kBlockSamples = 2 * kBlockFrames;  // interleaved left, right

using CaptureBlock = std::array<std::int16_t, kBlockSamples>;

// Receives blocks handed back for refilling.
class BlockRequeue {
public:
    virtual ~BlockRequeue() = default;
    virtual void requeueBuffer(int blockNumber) = 0;
};

struct MeterValues {
    int meanLeft = 0;
    int peakLeft = 0;
    int meanRight = 0;
    int peakRight = 0;
};

class BlockDispatcher {
public:
    BlockDispatcher(Channel& left, Channel& right) : left_(left), right_(right) {}

    void setRequeue(BlockRequeue* requeue) { requeue_ = requeue; }
    void setWindow(ReceptionWindow* window) { window_ = window; }
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
    static void runChannel(Channel& channel);

    Channel& left_;
    Channel& right_;
    BlockRequeue* requeue_ = nullptr;
    ReceptionWindow* window_ = nullptr;
    std::function<void()> afterBlock_;
    int currentBuffer_ = 0;
    bool processingGuard_ = false;
    int heldNotices_ = 0;
    MeterValues meters_;
    std::int64_t blocksHandled_ = 0;
};

}  // namespace kub
