#pragma once
// The action program started from the event loop, not from inside a reception's
// handling: starting a process takes a few milliseconds, and a burst of receptions must
// not hold up the rows and exports of the next ones. Launches wait in a bounded queue;
// past its end they are dropped, and that is said once until the queue has emptied.

#include <QObject>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "export/action_launcher.h"

namespace kub {

class QueuedActionLauncher final : public ActionLauncher {
public:
    static constexpr std::size_t kMaxQueued = 64;

    explicit QueuedActionLauncher(ActionLauncher& starter) : starter_(starter) {}

    void launch(const std::string& programPath, std::vector<std::string> args) override;
    // Starts whatever still waits (at shut-down, or where no event loop runs).
    void flush();
    std::size_t queued() const { return queue_.size(); }
    long long dropped() const { return dropped_; }

    // Told once when launches start being dropped.
    std::function<void(const std::string& message)> onDropping;

private:
    ActionLauncher& starter_;
    std::deque<std::pair<std::string, std::vector<std::string>>> queue_;
    QObject timerContext_;
    bool scheduled_ = false;
    bool dropping_ = false;
    long long dropped_ = 0;
};

}  // namespace kub
