// The TCP export against a real server on 127.0.0.1: bytes on the wire, reconnection by
// the watchdog, lines dropped while disconnected, and a peer that never reads.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <memory>
#include <vector>

#include "export/tcp_export.h"
#include "platform/qt_event_pause.h"
#include "platform/qt_tcp_socket.h"
#include "platform/repeating_timer.h"
#include "storage/text_file.h"
#include "support/line_server.h"
#include "support/program_folder.h"
#include "support/no_wait_pause.h"
#include "support/qt_app.h"

namespace kub {
namespace {

using kubtest::LineServer;

TEST(TcpWatchdog, LampAndActionPerState) {
    struct Case { int state; std::uint32_t colour; bool connect; };
    const std::vector<Case> cases = {
        {0, kLampRed, true},     {1, kLampYellow, false}, {2, kLampRed, false},
        {3, kLampBlack, false},  {4, kLampWhite, false},  {5, kLampRed, false},
        {6, kLampBlack, false},  {7, kLampGreen, false},  {8, kLampRed, true},
        {9, kLampRed, false},    {42, kLampRed, false},   {-1, kLampRed, false}};
    for (const Case& c : cases) {
        const WatchdogRule r = watchdogRule(c.state);
        EXPECT_EQ(r.lampColour, c.colour) << "state " << c.state;
        EXPECT_EQ(r.connect, c.connect) << "state " << c.state;
    }
}

TEST(TcpWatchdog, PortBoxNeverAboveThirtyOneThousand) {
    EXPECT_EQ(limitPortText("40000"), "31000");
    EXPECT_EQ(limitPortText("31001"), "31000");
    EXPECT_EQ(limitPortText("99999999999999999999"), "31000");
    EXPECT_EQ(limitPortText("31000"), "31000");
    EXPECT_EQ(limitPortText("8080"), "8080");
    EXPECT_EQ(limitPortText(""), "");
    EXPECT_EQ(limitPortText("abc"), "abc");
}

class TcpExportTest : public ::testing::Test {
protected:
    void SetUp() override { kubtest::ensureQtApp(); }
    void exportTo(quint16 port) { settings = kubtest::tcpExportTo(port, settings); }
    Settings settings = defaultSettings();
    kubtest::NoWaitPause pause;
};

std::vector<std::string> splitOnEnd(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t from = 0, at;
    while ((at = bytes.find("#+", from)) != std::string::npos) {
        lines.push_back(bytes.substr(from, at + 2 - from));
        from = at + 2;
    }
    EXPECT_EQ(from, bytes.size()) << "bytes after the last \"#+\"";
    return lines;
}

TEST_F(TcpExportTest, LinesArriveBackToBackInWindows1252) {
    LineServer server;
    ASSERT_TRUE(server.listen());
    exportTo(server.port());
    QtTcpExport tcp(settings, pause);
    tcp.exporter.connect();
    ASSERT_TRUE(kubtest::waitFor([&] { return tcp.socket.state() == kTcpConnected; }));

    const std::vector<std::string> lines = {"##FMS#12345678#3#00#+", "##ZVEI#25634#Löschzug Süd#+",
                                            "##POC#1234567#3#Brand in Straße ß€#+"};
    for (const auto& l : lines) tcp.exporter.send_message(l);
    std::string expected;
    for (const auto& l : lines) expected += utf8ToCp1252(l);
    ASSERT_TRUE(kubtest::waitFor([&] { return server.received.size() >= expected.size(); }));
    EXPECT_EQ(server.received, expected);
    EXPECT_EQ(server.received.find('\n'), std::string::npos);
    const auto got = splitOnEnd(server.received);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(cp1252ToUtf8(got[1]), lines[1]);
    EXPECT_EQ(static_cast<unsigned char>(got[1][14]), 0xF6);  // ö as one byte
    // Every line is followed by the pause between lines, connected or not.
    EXPECT_EQ(pause.pauses, (std::vector<int>{240, 240, 240}));
}

TEST_F(TcpExportTest, EmptyServerMeansLocalhost) {
    LineServer server;
    ASSERT_TRUE(server.listen());
    settings.tcpExport = 1;
    settings.tcpPort = static_cast<std::int16_t>(server.port());
    QtTcpExport tcp(settings, pause);
    tcp.exporter.connect();
    EXPECT_EQ(settings.tcpServer, "localhost");
    ASSERT_TRUE(kubtest::waitFor([&] { return tcp.socket.state() == kTcpConnected; }));
    tcp.exporter.send_message("##ZVEI#12345##+");
    ASSERT_TRUE(kubtest::waitFor([&] { return server.received == "##ZVEI#12345##+"; }));
}

TEST_F(TcpExportTest, WatchdogReconnectsAfterRestartAndDropsLinesMeanwhile) {
    LineServer server;
    ASSERT_TRUE(server.listen());
    const quint16 port = server.port();
    exportTo(port);
    QtTcpExport tcp(settings, pause);
    std::vector<WatchdogTick> ticks;
    RepeatingTimer watchdog(1000, [&] { ticks.push_back(tcp.exporter.watchdogTick()); });
    ASSERT_TRUE(tcp.exporter.watchdogWanted());
    tcp.exporter.connect();
    watchdog.start();
    ASSERT_TRUE(kubtest::waitFor([&] { return tcp.socket.state() == kTcpConnected; }));
    tcp.exporter.send_message("##FMS#11111111#1#00#+");
    ASSERT_TRUE(kubtest::waitFor([&] { return server.received == "##FMS#11111111#1#00#+"; }));

    server.stop();
    ASSERT_TRUE(kubtest::waitFor([&] { return tcp.socket.state() != kTcpConnected; }));
    tcp.exporter.send_message("##FMS#22222222#2#00#+");  // nobody there: dropped
    EXPECT_EQ(tcp.exporter.linesDropped(), 1);
    // The server stays away for a few ticks; the client keeps trying.
    const std::size_t ticksBefore = ticks.size();
    ASSERT_TRUE(kubtest::waitFor([&] { return ticks.size() >= ticksBefore + 2; }));
    EXPECT_NE(tcp.socket.state(), kTcpConnected);

    ASSERT_TRUE(server.listen(port));
    const std::size_t ticksAtRestart = ticks.size();
    ASSERT_TRUE(kubtest::waitFor([&] { return tcp.socket.state() == kTcpConnected; }, 10000));
    // The next tick reconnects: back within a tick or two, about a second.
    EXPECT_LE(ticks.size() - ticksAtRestart, 2u);
    ASSERT_TRUE(kubtest::waitFor([&] { return !ticks.empty() && ticks.back().stateText == "7"; }));
    EXPECT_TRUE(ticks.back().ran);
    EXPECT_EQ(ticks.back().lampColour, kLampGreen);

    tcp.exporter.send_message("##FMS#33333333#3#00#+");
    ASSERT_TRUE(kubtest::waitFor([&] { return server.received.size() >= 42; }));
    // The line sent while disconnected never arrives, not even late.
    EXPECT_EQ(server.received, "##FMS#11111111#1#00#+##FMS#33333333#3#00#+");
    watchdog.stop();
    tcp.exporter.shutdown();
    EXPECT_EQ(tcp.socket.state(), kTcpClosed);
}

TEST_F(TcpExportTest, WatchdogDoesNothingWhileTheExportIsOff) {
    settings.tcpExport = 0;
    settings.tcpServer = "127.0.0.1";
    settings.tcpPort = 1;
    QtTcpExport tcp(settings, pause);
    EXPECT_FALSE(tcp.exporter.watchdogWanted());
    const WatchdogTick t = tcp.exporter.watchdogTick();
    EXPECT_FALSE(t.ran);
    EXPECT_EQ(tcp.socket.state(), kTcpClosed);  // no connection attempt
}

TEST_F(TcpExportTest, UnreachableServerShowsRedAndIsRetried) {
    const kubtest::RefusingPort refusing;
    const quint16 port = refusing.port();
    ASSERT_NE(port, 0);
    exportTo(port);
    QtTcpExport tcp(settings, pause);
    const WatchdogTick first = tcp.exporter.watchdogTick();
    EXPECT_TRUE(first.ran);
    EXPECT_EQ(first.stateText, "0");
    EXPECT_EQ(first.lampColour, kLampRed);
    // Refused: the error event closes the client, ready for the next tick's attempt.
    ASSERT_TRUE(kubtest::waitFor([&] { return tcp.socket.state() == kTcpClosed; }));
    tcp.exporter.send_message("##ZVEI#12345##+");
    EXPECT_EQ(tcp.exporter.linesSent(), 0);
    EXPECT_EQ(tcp.exporter.linesDropped(), 1);
}

TEST_F(TcpExportTest, PeerThatNeverReadsDoesNotBlockOrGrowWithoutBound) {
    LineServer server(/*reads=*/false);
    ASSERT_TRUE(server.listen());
    exportTo(server.port());
    QtTcpExport tcp(settings, pause);
    tcp.exporter.connect();
    ASSERT_TRUE(kubtest::waitFor([&] { return tcp.socket.state() == kTcpConnected; }));

    // 64 MB offered, far beyond what the kernel buffers of a loopback pair hold.
    const std::string line = "##POC#1234567#3#" + std::string(64 * 1024, 'x') + "#+";
    for (int i = 0; i < 1024; ++i) tcp.exporter.send_message(line);
    EXPECT_EQ(tcp.socket.state(), kTcpConnected);
    EXPECT_GT(tcp.exporter.linesDropped(), 0);
    EXPECT_LE(tcp.socket.pendingBytes(), TcpExport::kMaxPendingBytes);
    EXPECT_EQ(tcp.exporter.watchdogTick().lampColour, kLampGreen);
}

TEST_F(TcpExportTest, EventsKeepRunningDuringThePauseAfterALine) {
    settings.tcpExport = 1;
    QtEventPause realPause;
    QtTcpExport tcp(settings, realPause);
    int fired = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &timer, [&] { ++fired; });
    timer.start(20);
    tcp.exporter.send_message("##FMS#12345678#3#00#+");
    timer.stop();
    // A capture block arriving meanwhile is handled, not held until the pause ends.
    EXPECT_GE(fired, 1);
}

}  // namespace
}  // namespace kub
