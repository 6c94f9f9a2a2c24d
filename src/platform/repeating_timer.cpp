#include "platform/repeating_timer.h"

namespace kub {

RepeatingTimer::RepeatingTimer(int intervalMs, std::function<void()> onTick) : onTick_(std::move(onTick)) {
    timer_.setInterval(intervalMs);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
        if (onTick_) onTick_();
    });
}

}  // namespace kub
