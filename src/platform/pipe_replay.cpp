#include "platform/pipe_replay.h"

#include <unistd.h>

#include <QTimer>
#include <algorithm>
#include <cerrno>

#include "capture/file_source.h"

namespace kub {

namespace {
constexpr std::size_t kReadBytes = 65536;
// Converted frames held before the pipe is read again: the writer waits instead of our
// memory growing while the blocks are still being handled.
constexpr std::size_t kMaxPendingSamples = 2 * kBlockFrames * kCaptureBufferCount;
constexpr int kRetryMs = 10;
constexpr int kKeepUpMs = 1000;
}  // namespace

PipeReplay::PipeReplay(BlockDispatcher& dispatcher, int fd, RawPcmFormat format, StreamClock& clock,
                       const Clock& wall)
    : dispatcher_(dispatcher), fd_(fd), converter_(format), clock_(clock), wall_(wall),
      keepUp_(kKeepUpMs, [this] { clock_.keepUpWith(wall_.nowSeconds()); }) {}

PipeReplay::~PipeReplay() { stop(); }

void PipeReplay::start() {
    dispatcher_.resetBuffers();
    running_ = true;
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { readable(); });
    notifier_->setEnabled(true);
    keepUp_.start();
}

void PipeReplay::stop() {
    running_ = false;
    keepUp_.stop();
    notifier_.reset();
}

void PipeReplay::requeueBuffer(int /*blockNumber*/) {
    if (free_ < kCaptureBufferCount) ++free_;
    if (running_ && (ended_ || pending_.size() - taken_ >= static_cast<std::size_t>(2 * kBlockFrames))) schedulePump(0);
}

void PipeReplay::schedulePump(int ms) {
    if (pumpScheduled_) return;
    pumpScheduled_ = true;
    QTimer::singleShot(ms, &timerContext_, [this] {
        pumpScheduled_ = false;
        pump();
    });
}

void PipeReplay::readable() {
    if (!running_ || ended_) return;
    // One read per notice: the notifier said there is something, so it does not block.
    std::vector<std::uint8_t> buf(kReadBytes);
    const ssize_t n = ::read(fd_, buf.data(), buf.size());
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
    if (n <= 0) {
        converter_.finish(pending_);
        ended_ = true;
        notifier_->setEnabled(false);
    } else {
        bytes_ += n;
        converter_.push(buf.data(), static_cast<std::size_t>(n), pending_);
    }
    pump();
}

void PipeReplay::pump() {
    if (!running_) return;
    const std::size_t blockSamples = 2 * kBlockFrames;
    while (free_ > 0 && silentBlocks_ < kFlushBlocks) {
        const std::size_t have = pending_.size() - taken_;
        if (have < blockSamples && !ended_) break;
        CaptureBlock& block = dispatcher_.captureBuffers[static_cast<std::size_t>(fillBlock_)];
        const std::size_t n = std::min(have, blockSamples);
        std::copy_n(pending_.begin() + static_cast<long>(taken_), n, block.begin());
        std::fill(block.begin() + static_cast<long>(n), block.end(), std::int16_t{0});
        taken_ += n;
        if (n == 0) ++silentBlocks_;
        fillBlock_ = (fillBlock_ + 1) % kCaptureBufferCount;
        --free_;
        ++delivered_;
        clock_.advanceFrames(kBlockFrames);
        clock_.keepUpWith(wall_.nowSeconds());
        // The dispatch may let the event loop run; a notice from in there fills the next
        // free buffer and the dispatch holds it until this block is done.
        dispatcher_.processCaptureBuffer();
        if (!running_) return;
    }
    if (taken_ > 0 && taken_ == pending_.size()) {
        pending_.clear();
        taken_ = 0;
    } else if (taken_ >= blockSamples * kCaptureBufferCount) {
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(taken_));
        taken_ = 0;
    }
    if (!ended_ && notifier_) notifier_->setEnabled(pending_.size() - taken_ < kMaxPendingSamples);
    if (ended_ && silentBlocks_ >= kFlushBlocks) {
        // Finished only from the outermost level, once the last block has been handled.
        if (dispatcher_.processingGuard()) {
            schedulePump(kRetryMs);
            return;
        }
        stop();
        if (onFinished) onFinished();
    }
}

}  // namespace kub
