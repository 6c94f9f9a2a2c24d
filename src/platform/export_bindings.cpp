#include "platform/export_bindings.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace kub {

ExportBindings::ExportBindings(Settings& settings, EventPause& pause)
    : settings_(settings),
      pause_(pause),
      tcp_(settings, pause),
      local_(settings, sink_),
      watchdog_(1000, [this] {
          const WatchdogTick tick = tcp_.exporter.watchdogTick();
          if (tick.ran && onWatchdogTick) onWatchdogTick(tick);
      }) {
    queuedLauncher_.onDropping = [this](const std::string& m) { dropping(m); };
    pacer_.setSingleShot(true);
    pacer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&pacer_, &QTimer::timeout, &pacer_, [this] { sendNext(); });
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
    // Sent from the event loop once this reception's handling is done, or when the pause
    // after the line before is over.
    if (!pacer_.isActive() && !shuttingDown_) pacer_.start(0);
}

void ExportBindings::sendNext() {
    if (tcpQueue_.empty()) return;
    const std::string line = std::move(tcpQueue_.front());
    tcpQueue_.pop_front();
    if (tcpQueue_.empty()) droppingLines_ = false;
    tcp_.exporter.sendLine(line);
    // The pause between lines is a timer, not a wait: a wait is an event loop inside this
    // one, and an FTP upload begun in it would hold every line behind it until the upload
    // and its pause were over.
    pacer_.start(tcp_.exporter.linePauseMs());
}

void ExportBindings::applyTo(ReceptionContext& context) {
    context.actionProgram = settings_.actionProgram;
    context.launcher = &queuedLauncher_;
    context.exportLines = this;
    context.tcpExportOn = settings_.tcpExport;
    context.windowMessageExportOn = settings_.windowMessageExport;
}

void ExportBindings::startUp() {
    shuttingDown_ = false;
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
    shuttingDown_ = true;
    if (pacer_.isActive()) {
        pacer_.stop();
        if (!tcpQueue_.empty()) pause_.pauseMs(tcp_.exporter.linePauseMs());
    }
    QDeadlineTimer drain(kShutdownDrainMs);
    while (!tcpQueue_.empty() && !drain.hasExpired()) {
        const std::string line = std::move(tcpQueue_.front());
        tcpQueue_.pop_front();
        tcp_.exporter.send_message(line);
    }
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
