#pragma once
// Raw PCM from a pipe (stdin of "kubmon run --input -") into the block dispatch, through
// the same ten buffers and hand-back as live capture. The pipe sets the pace: blocks are
// handled as soon as the writer has delivered them, with no waiting for real time. At
// the end of the input the last part-block is filled up with silence and about a second
// of silence follows, so a transmission at the very end is still finished. While the
// writer delivers nothing the stream clock keeps up with the wall clock every second all
// the same: a receiver that stalls must show as silence to the reception watchdog.

#include <QSocketNotifier>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "capture/block_dispatcher.h"
#include "capture/raw_pcm.h"
#include "common/clock.h"
#include "platform/repeating_timer.h"

namespace kub {

class PipeReplay final : public BlockRequeue {
public:
    // `clock` advances with the blocks and keeps up with `wall`.
    PipeReplay(BlockDispatcher& dispatcher, int fd, RawPcmFormat format, StreamClock& clock, const Clock& wall);
    ~PipeReplay() override;
    PipeReplay(const PipeReplay&) = delete;
    PipeReplay& operator=(const PipeReplay&) = delete;

    void start();
    // Stops early; onFinished is not called.
    void stop();
    long long bytesRead() const { return bytes_; }
    long long blocksDelivered() const { return delivered_; }

    void requeueBuffer(int blockNumber) override;

    // Called from the event loop once the input and the silence after it are through.
    std::function<void()> onFinished;

private:
    void readable();
    void pump();
    void schedulePump(int ms);

    BlockDispatcher& dispatcher_;
    int fd_;
    RawPcmConverter converter_;
    StreamClock& clock_;
    const Clock& wall_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QObject timerContext_;
    std::vector<std::int16_t> pending_;  // converted frames not yet in a block
    std::size_t taken_ = 0;
    int fillBlock_ = 0;
    int free_ = kCaptureBufferCount;
    bool ended_ = false;
    bool running_ = false;
    bool pumpScheduled_ = false;
    int silentBlocks_ = 0;
    long long bytes_ = 0;
    long long delivered_ = 0;
    RepeatingTimer keepUp_;
};

}  // namespace kub
