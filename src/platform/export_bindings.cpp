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
      }) {}

void ExportBindings::applyTo(ReceptionContext& context) {
    context.actionProgram = settings_.actionProgram;
    context.launcher = &launcher_;
    context.tcpExportOn = settings_.tcpExport == 1;
    context.windowMessageExportOn = settings_.windowMessageExport == 1;
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
