#include "platform/queued_action_launcher.h"

#include <QTimer>

namespace kub {

void QueuedActionLauncher::launch(const std::string& programPath, std::vector<std::string> args) {
    if (queue_.size() >= kMaxQueued) {
        ++dropped_;
        if (!dropping_ && onDropping)
            onDropping("Aktionsprogramm: zu viele Aufrufe warten, weitere werden verworfen, bis die Warteschlange leer ist.");
        dropping_ = true;
        return;
    }
    queue_.emplace_back(programPath, std::move(args));
    if (scheduled_) return;
    scheduled_ = true;
    QTimer::singleShot(0, &timerContext_, [this] {
        scheduled_ = false;
        flush();
    });
}

void QueuedActionLauncher::flush() {
    while (!queue_.empty()) {
        auto next = std::move(queue_.front());
        queue_.pop_front();
        starter_.launch(next.first, std::move(next.second));
    }
    dropping_ = false;
}

}  // namespace kub
