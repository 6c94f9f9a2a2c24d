// What the exports cost the monitor, per reception line, against peers on 127.0.0.1:
// the TCP line with its 240 ms pause (and the longest the event loop went unserved
// meanwhile: capture blocks come every 46 ms), a local message with and without a
// listener, and starting the action program.
//   ./build/bench/bench_exports [lines]

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "export/local_message_export.h"
#include "platform/qt_action_launcher.h"
#include "platform/qt_event_pause.h"
#include "platform/qt_local_message_sink.h"
#include "platform/qt_tcp_socket.h"
#include "platform/repeating_timer.h"
#include <vector>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 20;

    QTcpServer server;
    for (quint16 port = 20000; port < 31000 && !server.isListening(); ++port) server.listen(QHostAddress::LocalHost, port);
    std::size_t received = 0;
    std::vector<QTcpSocket*> clients;
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
        while (QTcpSocket* s = server.nextPendingConnection()) {
            clients.push_back(s);
            QObject::connect(s, &QTcpSocket::readyRead, s,
                             [&received, s] { received += static_cast<std::size_t>(s->readAll().size()); });
        }
    });

    kub::Settings settings = kub::defaultSettings();
    settings.tcpExport = true;
    settings.tcpServer = "127.0.0.1";
    settings.tcpPort = server.serverPort();
    kub::QtEventPause pause;
    kub::QtTcpExport tcp(settings, pause);
    kub::RepeatingTimer watchdog(1000, [&] { tcp.exporter.watchdogTick(); });
    tcp.exporter.connect();
    QElapsedTimer wait;
    wait.start();
    while (tcp.socket.state() != kub::kTcpConnected && wait.elapsed() < 5000) pause.pauseMs(10);

    // A stand-in for the capture notices: how long did the loop go without serving them?
    QElapsedTimer sinceTick;
    sinceTick.start();
    qint64 longestGap = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, &ticker, [&] {
        longestGap = std::max(longestGap, sinceTick.restart());
    });
    ticker.start(5);
    sinceTick.restart();

    const std::string line = "##POC#1234567#3#Brand Lagerhalle, Musterstraße 12#+";
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < lines; ++i) tcp.exporter.send_message(line);
    const double perLine = static_cast<double>(t.elapsed()) / lines;
    ticker.stop();
    std::printf("tcp send_message:        %.1f ms per line (%d lines, %d sent, %zu bytes arrived)\n", perLine, lines,
                tcp.exporter.linesSent(), received);
    std::printf("longest event-loop gap:  %lld ms during the pauses\n", static_cast<long long>(longestGap));

    // The server goes away and comes back: how long until lines flow again?
    watchdog.start();
    const quint16 port = server.serverPort();
    server.close();
    for (QTcpSocket* c : clients) c->abort();
    while (tcp.socket.state() == kub::kTcpConnected) pause.pauseMs(10);
    pause.pauseMs(1500);
    server.listen(QHostAddress::LocalHost, port);
    t.restart();
    while (tcp.socket.state() != kub::kTcpConnected && t.elapsed() < 10000) pause.pauseMs(5);
    std::printf("reconnect after restart:    %lld ms\n", static_cast<long long>(t.elapsed()));
    watchdog.stop();

    kub::QtLocalMessageSink sink;
    settings.windowTitle = "bench/" + std::to_string(QCoreApplication::applicationPid());
    kub::LocalMessageExport local(settings, sink);
    t.restart();
    for (int i = 0; i < 1000; ++i) local.Send_to_Anwendung(line);
    std::printf("local message, no listener: %.1f us per line\n", static_cast<double>(t.nsecsElapsed()) / 1000.0 / 1000.0);
    QLocalServer listener;
    const QString name = QString::fromStdString(kub::localSocketName(settings.windowTitle));
    QLocalServer::removeServer(name);
    listener.listen(name);
    int records = 0;
    QObject::connect(&listener, &QLocalServer::newConnection, &listener, [&] {
        while (QLocalSocket* c = listener.nextPendingConnection()) {
            ++records;
            QObject::connect(c, &QLocalSocket::disconnected, c, &QObject::deleteLater);
        }
    });
    t.restart();
    for (int i = 0; i < 1000; ++i) {
        local.Send_to_Anwendung(line);
        QCoreApplication::processEvents();
    }
    std::printf("local message, listener:    %.1f us per line (%d connections accepted)\n",
                static_cast<double>(t.nsecsElapsed()) / 1000.0 / 1000.0, records);

    kub::QtActionLauncher launcher;
    t.restart();
    for (int i = 0; i < 50; ++i) launcher.launch("/bin/true", {"POC", "1234567", "3", "Text"});
    std::printf("action program start:       %.2f ms per launch (%d started)\n",
                static_cast<double>(t.nsecsElapsed()) / 1e6 / 50, launcher.launched());
    tcp.exporter.shutdown();
    return 0;
}
