#pragma once
// IQ bytes on their way from the reader thread to the decoding thread. Bounded in bytes:
// when the decoding falls behind, the oldest chunks go, so the newest air time is decoded
// and memory stays flat however long the decoders are slow. Every chunk holds whole I/Q
// pairs (the reader sees to that), so dropping one never shifts I against Q.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace kub {

using IqChunk = std::vector<std::uint8_t>;

class IqQueue {
public:
    explicit IqQueue(std::size_t limitBytes) : limit_(limitBytes) {}

    // From the reader thread. True the first time older bytes had to go for it (the
    // caller says so once); a chunk larger than the whole limit is cut to its newest end
    // by the caller's pair size `pairBytes`.
    bool push(IqChunk chunk, std::size_t pairBytes);
    // The source has ended: what is queued is still taken, then `pop` says so.
    void close();

    // From the decoding thread: the oldest chunk, waiting at most `wait` for one; nullopt
    // when none came in time or the queue is closed and empty (see `finished`).
    std::optional<IqChunk> pop(std::chrono::milliseconds wait);
    bool finished() const;

    std::size_t bytesHeld() const;
    std::uint64_t bytesDropped() const;

private:
    const std::size_t limit_;
    mutable std::mutex mutex_;
    std::condition_variable ready_;
    // Under mutex_.
    std::deque<IqChunk> chunks_;
    std::size_t held_ = 0;
    std::uint64_t dropped_ = 0;
    bool closed_ = false;
    bool toldDrop_ = false;
};

}  // namespace kub
