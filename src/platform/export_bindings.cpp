#include "platform/export_bindings.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace kub {

ExportBindings::ExportBindings(Settings& settings, EventPause& pause)
    : settings_(settings),
      tcp_(settings, pause),
      local_(settings, sink_),
      watchdog_(1000, [this] {
          const WatchdogTick tick = tcp_.exporter.watchdogTick();
          if (tick.ran && onWatchdogTick) onWatchdogTick(tick);
      }) {
    queuedLauncher_.onDropping = [this](const std::string& m) { dropping(m); };
}

void ExportBindings::dropping(const std::string& message) {
    if (onDropping) onDropping(message);
}

void ExportBindings::send_message(const std::string& line) {
    if (tcpQueue_.size() >= kMaxQueuedLines) {
        ++droppedLines_;
        if (!droppingLines_)
            dropping("TCP-Export: zu viele Zeilen warten auf die Verbindung, weitere werden verworfen, bis die "
                     "Warteschlange leer ist.");
        droppingLines_ = true;
        return;
    }
    tcpQueue_.push_back(line);
    if (drainScheduled_ || draining_) return;
    drainScheduled_ = true;
    QTimer::singleShot(0, &queueContext_, [this] {
        drainScheduled_ = false;
        drainTcp(-1);
    });
}

void ExportBindings::drainTcp(int deadlineMs) {
    // The pause after each line lets the event loop run, and with it the next
    // receptions, which queue behind this one; they are sent by this same loop.
    if (draining_) return;
    draining_ = true;
    QDeadlineTimer deadline(deadlineMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(deadlineMs));
    while (!tcpQueue_.empty() && !deadline.hasExpired()) {
        const std::string line = std::move(tcpQueue_.front());
        tcpQueue_.pop_front();
        tcp_.exporter.send_message(line);
    }
    draining_ = false;
    if (tcpQueue_.empty()) droppingLines_ = false;
}

void ExportBindings::applyTo(ReceptionContext& context) {
    context.actionProgram = settings_.actionProgram;
    context.launcher = &queuedLauncher_;
    context.exportLines = this;
    context.tcpExportOn = settings_.tcpExport;
    context.windowMessageExportOn = settings_.windowMessageExport;
}

void ExportBindings::startUp() {
    if (tcp_.exporter.watchdogWanted()) {
        tcp_.exporter.connect();
        watchdog_.start();
    } else {
        watchdog_.stop();
    }
}

bool ExportBindings::waitUntilConnected(int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (tcp_.socket.state() != kTcpConnected && !deadline.hasExpired()) {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return tcp_.socket.state() == kTcpConnected;
}

void ExportBindings::shutdown() {
    queuedLauncher_.flush();
    drainTcp(kShutdownDrainMs);
    if (!tcpQueue_.empty()) {
        droppedLines_ += static_cast<long long>(tcpQueue_.size());
        dropping("TCP-Export: " + std::to_string(tcpQueue_.size()) + " Zeilen beim Beenden nicht mehr gesendet.");
        tcpQueue_.clear();
    }
    watchdog_.stop();
    // Lines already handed over get a moment to leave; a peer that reads nothing does
    // not hold the exit.
    QDeadlineTimer deadline(1000);
    while (tcp_.socket.state() == kTcpConnected && tcp_.socket.pendingBytes() > 0 && !deadline.hasExpired()) {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    tcp_.exporter.shutdown();
}

}  // namespace kub
