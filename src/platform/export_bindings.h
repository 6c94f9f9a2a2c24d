#pragma once
// The exports of one running monitor bound to the platform: the TCP client with its
// watchdog, the local message export and the action launcher, set up from the settings
// and handed to the reception handling. The window and the headless tool both use it.

#include <functional>

#include "core/reception_context.h"
#include "export/local_message_export.h"
#include "platform/qt_action_launcher.h"
#include "platform/qt_local_message_sink.h"
#include "platform/qt_tcp_socket.h"
#include "platform/repeating_timer.h"

namespace kub {

class ExportBindings {
public:
    ExportBindings(Settings& settings, EventPause& pause);

    // Switches, program and launcher into the reception handling's context.
    void applyTo(ReceptionContext& context);
    // Start-up: with the TCP export on, connect and run the watchdog; otherwise stop it.
    void startUp();
    // Waits (handling events) until connected; false after `timeoutMs`.
    bool waitUntilConnected(int timeoutMs);
    void shutdown();

    void send_message(const std::string& line) { tcp_.exporter.send_message(line); }
    void Send_to_Anwendung(const std::string& line) { local_.Send_to_Anwendung(line); }

    // The lamp and the state number after each watchdog tick that ran.
    std::function<void(const WatchdogTick&)> onWatchdogTick;

    TcpExport& tcp() { return tcp_.exporter; }
    int tcpState() const { return tcp_.socket.state(); }
    QtActionLauncher& launcher() { return launcher_; }

private:
    Settings& settings_;
    QtTcpExport tcp_;
    QtLocalMessageSink sink_;
    LocalMessageExport local_;
    QtActionLauncher launcher_;
    RepeatingTimer watchdog_;
};

}  // namespace kub
