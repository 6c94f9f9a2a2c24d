#pragma once
// One page heard on several channels of an SDR stick is one alarm, not several: a network
// sends the same page on more than one frequency, and a strong transmitter is heard on its
// neighbour's channel too. A page of an SDR channel is held for 3 s; the same page (RIC,
// function and text) from another channel within that time joins it, and it goes on once,
// listing every channel in `channels`. The sound card's left and right stay two receivers
// as they always were. What is held is bounded in count and bytes; past the bounds the
// oldest goes on at once, early rather than never.

#include <cstddef>
#include <deque>
#include <functional>

#include "core/reception_record.h"

namespace kub {

class SamePageMerge {
public:
    static constexpr double kWindowSeconds = 3;
    static constexpr std::size_t kMostHeld = 64;
    static constexpr std::size_t kMostHeldBytes = 256 * 1024;

    explicit SamePageMerge(std::function<void(const ReceptionRecord&)> handOn) : handOn_(std::move(handOn)) {}

    // Whether more than one channel may hear the same page; off, every page goes on at once.
    void setShared(bool on) { shared_ = on; }
    bool shared() const { return shared_; }

    // A page (POCSAG record) heard at `now`: joined to the one held, held, or handed on.
    void take(ReceptionRecord record, double now);
    // Hands on what has waited its 3 s (a clock set back ends every wait).
    void tick(double now);
    // Hands on everything held (the end of the input or of the program).
    void flush();
    std::size_t held() const { return held_.size(); }

private:
    struct Held {
        ReceptionRecord record;
        double since = 0;
        std::size_t bytes = 0;
    };
    void handOnFirst(std::size_t count);

    std::function<void(const ReceptionRecord&)> handOn_;
    bool shared_ = false;
    std::deque<Held> held_;
    std::size_t heldBytes_ = 0;
    // An output that lets the event loop run may bring the timer back in here.
    bool handingOn_ = false;
};

}  // namespace kub
