#pragma once
// The exports of one running monitor bound to the platform: the TCP client with its
// watchdog, the local message export and the action launcher, set up from the settings
// and handed to the reception handling. The window and the headless tool both use it.
//
// The TCP lines wait in a bounded queue of their own and go out one by one from the
// event loop, each followed by the pause between lines; so a slow or full connection
// never holds up the rows, logs and other exports of the receptions behind it. Past the
// queue's end lines are dropped, and that is said once until the queue has emptied.

#include <QTimer>
#include <deque>
#include <functional>

#include "core/export_lines.h"
#include "core/reception_context.h"
#include "export/local_message_export.h"
#include "platform/qt_action_launcher.h"
#include "platform/qt_local_message_sink.h"
#include "platform/qt_tcp_socket.h"
#include "platform/queued_action_launcher.h"
#include "platform/repeating_timer.h"

namespace kub {

class ExportBindings final : public ExportLines {
public:
    static constexpr std::size_t kMaxQueuedLines = 500;
    // At shut-down the queued lines get this long to go out.
    static constexpr int kShutdownDrainMs = 10000;

    ExportBindings(Settings& settings, EventPause& pause);

    // Switches, program, launcher and export lines into the reception handling's context.
    void applyTo(ReceptionContext& context);
    // Start-up: with the TCP export on, connect and run the watchdog; otherwise stop it.
    void startUp();
    // Waits (handling events) until connected; false after `timeoutMs`.
    bool waitUntilConnected(int timeoutMs);
    void shutdown();

    // Queues the line for the TCP export.
    void send_message(const std::string& line) override;
    void Send_to_Anwendung(const std::string& line) override { local_.Send_to_Anwendung(line); }
    std::size_t queuedLines() const { return tcpQueue_.size(); }
    long long droppedLines() const { return droppedLines_; }

    // Told once when TCP lines or action program launches start being dropped.
    std::function<void(const std::string& message)> onDropping;

    // The lamp and the state number after each watchdog tick that ran.
    std::function<void(const WatchdogTick&)> onWatchdogTick;

    TcpExport& tcp() { return tcp_.exporter; }
    int tcpState() const { return tcp_.socket.state(); }
    QtActionLauncher& launcher() { return launcher_; }

private:
    void sendNext();
    void dropping(const std::string& message);

    Settings& settings_;
    EventPause& pause_;
    QtTcpExport tcp_;
    QtLocalMessageSink sink_;
    LocalMessageExport local_;
    QtActionLauncher launcher_;
    QueuedActionLauncher queuedLauncher_{launcher_};
    RepeatingTimer watchdog_;
    std::deque<std::string> tcpQueue_;
    QTimer pacer_;
    bool shuttingDown_ = false;
    bool droppingLines_ = false;
    long long droppedLines_ = 0;
};

}  // namespace kub
