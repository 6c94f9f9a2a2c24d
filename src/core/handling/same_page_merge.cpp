#include "core/handling/same_page_merge.h"

#include <algorithm>

namespace kub {

namespace {

bool samePage(const ReceptionRecord& a, const ReceptionRecord& b) {
    return a.ric == b.ric && a.function == b.function && a.text == b.text;
}

std::size_t bytesOf(const ReceptionRecord& r) {
    return sizeof r + r.time.size() + r.channel.size() + r.line.size() + r.row.size() + r.text.size() +
           r.name.size() + r.ric.size();
}

}  // namespace

void SamePageMerge::take(ReceptionRecord record, double now) {
    if (!shared_ || record.frequency == 0) {
        handOn_(record);
        return;
    }
    for (Held& h : held_) {
        if (!samePage(h.record, record) || now - h.since >= kWindowSeconds || now < h.since) continue;
        auto& channels = h.record.channels;
        if (std::find(channels.begin(), channels.end(), record.channel) != channels.end()) continue;
        channels.push_back(record.channel);
        h.bytes += record.channel.size() + sizeof(std::string);
        heldBytes_ += record.channel.size() + sizeof(std::string);
        return;
    }
    Held h;
    h.record = std::move(record);
    h.record.channels = {h.record.channel};
    h.since = now;
    h.bytes = bytesOf(h.record);
    heldBytes_ += h.bytes;
    held_.push_back(std::move(h));
    std::size_t over = 0;
    std::size_t bytes = heldBytes_;
    while (over < held_.size() && (held_.size() - over > kMostHeld || bytes > kMostHeldBytes)) bytes -= held_[over++].bytes;
    handOnFirst(over);
}

void SamePageMerge::tick(double now) {
    std::size_t due = 0;
    while (due < held_.size() && (now - held_[due].since >= kWindowSeconds || now < held_[due].since)) ++due;
    handOnFirst(due);
}

void SamePageMerge::flush() { handOnFirst(held_.size()); }

void SamePageMerge::handOnFirst(std::size_t count) {
    if (handingOn_ || count == 0) return;
    handingOn_ = true;
    std::deque<Held> going;
    for (std::size_t i = 0; i < count && !held_.empty(); ++i) {
        heldBytes_ -= std::min(heldBytes_, held_.front().bytes);
        going.push_back(std::move(held_.front()));
        held_.pop_front();
    }
    for (const Held& h : going) handOn_(h.record);
    handingOn_ = false;
}

}  // namespace kub
