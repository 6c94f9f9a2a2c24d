#include "core/two_thread_feed.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "common/clock.h"
#include "core/handling/channel_handling.h"
#include "core/monitor_channel.h"
#include "core/monitor_core.h"

namespace kub {

namespace {

// One block as the reading thread hands it on.
struct ReadBlock {
    SampleArray left{};
    MeterValues meters;
    ChannelEvents rightDecoded;
};

// Blocks read ahead at most: 3 s of audio, about 0.5 MB. Which channel has more to decode
// changes with each transmission; the ring lets the other side go on meanwhile.
constexpr std::size_t kAhead = 64;
// A side that has to wait is woken only once the other is this many blocks ahead of it
// (or done): a block takes some tens of microseconds, about what waking a thread costs,
// so waking it for every block would eat much of the gain.
constexpr std::size_t kWakeAfter = 4;

// The hand-over between the two threads.
class BlockRing {
public:
    // The reading side's next slot; null once the taking side has stopped.
    ReadBlock* slotToFill() {
        std::unique_lock lock(mutex_);
        if (count_ == kAhead) {
            readerWaiting_ = true;
            woken_.wait(lock, [this] { return count_ <= kAhead - kWakeAfter || stopped_; });
            readerWaiting_ = false;
        }
        return stopped_ ? nullptr : &slots_[(head_ + count_) % kAhead];
    }
    void filled() {
        std::lock_guard lock(mutex_);
        ++count_;
        if (takerWaiting_ && count_ >= kWakeAfter) woken_.notify_all();
    }
    // The reading side is done; `failure`, when set, is thrown on the taking side.
    void finish(std::exception_ptr failure) {
        std::lock_guard lock(mutex_);
        finished_ = true;
        failure_ = std::move(failure);
        woken_.notify_all();
    }

    // The taking side's next block; null after the last.
    ReadBlock* next() {
        std::unique_lock lock(mutex_);
        if (count_ == 0 && !finished_) {
            takerWaiting_ = true;
            woken_.wait(lock, [this] { return count_ >= kWakeAfter || finished_; });
            takerWaiting_ = false;
        }
        return count_ > 0 ? &slots_[head_] : nullptr;
    }
    void taken() {
        std::lock_guard lock(mutex_);
        head_ = (head_ + 1) % kAhead;
        --count_;
        if (readerWaiting_ && count_ <= kAhead - kWakeAfter) woken_.notify_all();
    }
    void stop() {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        woken_.notify_all();
    }
    void throwFailure() {
        std::lock_guard lock(mutex_);
        if (failure_) std::rethrow_exception(failure_);
    }

private:
    std::mutex mutex_;
    std::condition_variable woken_;
    // Between the hand-overs a slot belongs to one side only: those from head_ on, count_
    // of them, to the taking side, the rest to the reading side.
    std::vector<ReadBlock> slots_ = std::vector<ReadBlock>(kAhead);
    std::size_t head_ = 0;
    std::size_t count_ = 0;
    bool readerWaiting_ = false;
    bool takerWaiting_ = false;
    bool finished_ = false;
    bool stopped_ = false;
    std::exception_ptr failure_;
};

void readAhead(SourceBlocks& blocks, MonitorChannel& right, BlockRing& ring) {
    CaptureBlock block{};
    SampleArray rightSamples{};
    while (blocks.next(block)) {
        ReadBlock* slot = ring.slotToFill();
        if (!slot) return;
        splitCaptureBlock(block, slot->left, rightSamples, slot->meters);
        slot->rightDecoded = right.decode(rightSamples);
        ring.filled();
    }
}

}  // namespace

FileDecodeResult feedStereoSourceOnTwoThreads(StereoSource& source, MonitorCore& core, StreamClock* clock,
                                              const std::function<void()>& afterBlock) {
    SourceBlocks blocks(source);
    BlockRing ring;
    std::thread reader([&] {
        std::exception_ptr failure;
        try {
            readAhead(blocks, core.right(), ring);
        } catch (...) {
            failure = std::current_exception();
        }
        ring.finish(failure);
    });
    // However this side ends, the reading side stops and is waited for.
    struct Joined {
        BlockRing& ring;
        std::thread& thread;
        ~Joined() {
            ring.stop();
            thread.join();
        }
    } joined{ring, reader};

    while (const ReadBlock* b = ring.next()) {
        if (clock) clock->advanceFrames(kBlockFrames);
        core.takeStereoBlock(b->left, b->rightDecoded, b->meters);
        ring.taken();
        // What the dispatcher does after each block, then the caller's after-work.
        core.context.tick();
        if (afterBlock) afterBlock();
    }
    ring.throwFailure();
    FileDecodeResult result;
    result.frames = blocks.frames();
    result.ok = true;
    return result;
}

FileDecodeResult feedAudioFileOnTwoThreads(const std::string& path, MonitorCore& core, StreamClock* clock,
                                           const std::function<void()>& afterBlock) {
    return feedAudioFileWith(
        path, [&](StereoSource& reader) { return feedStereoSourceOnTwoThreads(reader, core, clock, afterBlock); });
}

}  // namespace kub
