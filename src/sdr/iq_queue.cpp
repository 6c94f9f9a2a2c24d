#include "sdr/iq_queue.h"

namespace kub {

bool IqQueue::push(IqChunk chunk, std::size_t pairBytes) {
    if (chunk.empty()) return false;
    bool firstDrop = false;
    {
        std::lock_guard lock(mutex_);
        if (chunk.size() > limit_) {
            const std::size_t keep = limit_ - limit_ % pairBytes;
            dropped_ += chunk.size() - keep;
            chunk.erase(chunk.begin(), chunk.end() - static_cast<long>(keep));
        }
        while (!chunks_.empty() && held_ + chunk.size() > limit_) {
            held_ -= chunks_.front().size();
            dropped_ += chunks_.front().size();
            chunks_.pop_front();
        }
        if (dropped_ > 0 && !toldDrop_) firstDrop = toldDrop_ = true;
        held_ += chunk.size();
        chunks_.push_back(std::move(chunk));
    }
    ready_.notify_one();
    return firstDrop;
}

void IqQueue::close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    ready_.notify_all();
}

std::optional<IqChunk> IqQueue::pop(std::chrono::milliseconds wait) {
    std::unique_lock lock(mutex_);
    if (!ready_.wait_for(lock, wait, [this] { return !chunks_.empty() || closed_; })) return std::nullopt;
    if (chunks_.empty()) return std::nullopt;
    IqChunk chunk = std::move(chunks_.front());
    chunks_.pop_front();
    held_ -= chunk.size();
    return chunk;
}

bool IqQueue::finished() const {
    std::lock_guard lock(mutex_);
    return closed_ && chunks_.empty();
}

std::size_t IqQueue::bytesHeld() const {
    std::lock_guard lock(mutex_);
    return held_;
}

std::uint64_t IqQueue::bytesDropped() const {
    std::lock_guard lock(mutex_);
    return dropped_;
}

}  // namespace kub
