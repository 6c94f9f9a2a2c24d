#pragma once
// A timer of the main window: calls its function every interval on the event loop.

#include <QTimer>
#include <functional>

namespace kub {

class RepeatingTimer {
public:
    RepeatingTimer(int intervalMs, std::function<void()> onTick);
    void start() { timer_.start(); }
    void stop() { timer_.stop(); }
    bool running() const { return timer_.isActive(); }

private:
    QTimer timer_;
    std::function<void()> onTick_;
};

}  // namespace kub
