#include "platform/file_replay.h"

#include <algorithm>

#include "capture/audio_file.h"
#include "capture/file_source.h"

namespace kub {

namespace {
// Often enough that the blocks go out evenly rather than in bursts.
constexpr int kTickMs = 10;
}  // namespace

FileReplay::FileReplay(BlockDispatcher& dispatcher) : dispatcher_(dispatcher) {
    timer_.setInterval(kTickMs);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
}

FileReplay::~FileReplay() { stop(); }

bool FileReplay::start(const std::string& path) {
    stop();
    auto reader = std::make_unique<AudioFileReader>();
    if (!reader->open(path)) {
        error_ = reader->error();
        return false;
    }
    error_.clear();
    reader_ = std::move(reader);
    fillBlock_ = 0;
    free_ = kCaptureBufferCount;
    delivered_ = 0;
    framesRead_ = 0;
    fileDone_ = false;
    silentBlocks_ = 0;
    dispatcher_.resetBuffers();
    clock_.start();
    timer_.start();
    return true;
}

void FileReplay::stop() {
    timer_.stop();
    reader_.reset();
}

void FileReplay::requeueBuffer(int /*blockNumber*/) {
    if (free_ < kCaptureBufferCount) ++free_;
}

void FileReplay::fillNext() {
    CaptureBlock& block = dispatcher_.captureBuffers[static_cast<std::size_t>(fillBlock_)];
    std::size_t got = 0;
    if (!fileDone_) {
        got = reader_->read(block.data(), kBlockFrames);
        framesRead_ += static_cast<long long>(got);
        if (got < static_cast<std::size_t>(kBlockFrames)) fileDone_ = true;
    }
    std::fill(block.begin() + static_cast<long>(2 * got), block.end(), std::int16_t{0});
    if (got == 0) ++silentBlocks_;
    fillBlock_ = (fillBlock_ + 1) % kCaptureBufferCount;
    --free_;
    ++delivered_;
}

void FileReplay::tick() {
    // As many blocks as the time since the start asks for: a late tick catches up, so
    // the pace follows the clock and not the timer's accuracy.
    const long long due = clock_.elapsed() * kSampleRate / (1000LL * kBlockFrames) + 1;
    while (reader_ && silentBlocks_ < kFlushBlocks && delivered_ < due && free_ > 0) {
        fillNext();
        // The dispatch may let the event loop run; a tick from in there fills the next
        // free buffer and the dispatch holds its notice until this block is done.
        dispatcher_.processCaptureBuffer();
    }
    // Finished only from the outermost level, once the last block has been handled.
    if (reader_ && silentBlocks_ >= kFlushBlocks && !dispatcher_.processingGuard()) {
        stop();
        if (onFinished) onFinished();
    }
}

}  // namespace kub
