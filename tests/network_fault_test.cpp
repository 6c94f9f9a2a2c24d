// Peers that misbehave while traffic comes in: a TCP export peer that resets every
// connection or never reads, an FTP server that accepts and never answers. The monitor
// keeps decoding and showing every reception; a TCP fault shows only on the connection
// lamp; a hanging upload holds up neither the decoding nor piles up clients.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/headless_window.h"
#include "core/monitor_core.h"
#include "platform/export_bindings.h"
#include "platform/qt_event_pause.h"
#include "platform/qt_process_runner.h"
#include "platform/queued_action_launcher.h"
#include "siggen/mixed_traffic.h"
#include "storage/vehicle_table.h"
#include "support/line_server.h"
#include "support/no_wait_pause.h"
#include "support/qt_app.h"
#include "support/run_process.h"
#include "web/dial_up.h"
#include "web/ftp_upload.h"
#include "web/housekeeping.h"
#include "web/status_page.h"

namespace kub {
namespace {

// The export lines of the monitor, counted on their way to the TCP export.
class ExportingWindow final : public HeadlessWindow {
public:
    explicit ExportingWindow(ExportBindings* exports) : exports_(exports) {}
    void send_message(const std::string& line) override {
        ++sent;
        if (exports_) exports_->send_message(line);
    }
    int sent = 0;

private:
    ExportBindings* exports_;
};

// The monitor's core fed by a timer, a block at a time, as the capture device would:
// whatever else runs in the event loop, the blocks keep coming.
class LiveRig {
public:
    LiveRig(ExportBindings* exports, long cycles) : window(exports), core(clock, window) {
        core.enableAll(true);
        window.setRecording(false);
        window.onReceptionLine = [this](const std::string& line) { lines.push_back(line); };
        core.context.reportWriteFailure = [this](const std::string& m) { writeFailures.push_back(m); };
        for (long i = 0; i < cycles; ++i) {
            const auto c = siggen::mixedTrafficCycle(i);
            for (const auto& e : c.expected) expected.push_back(e.linePrefix);
            const auto s = c.track.toInterleaved16();
            samples.insert(samples.end(), s.begin(), s.end());
        }
        samples.resize(samples.size() + 4 * kBlockSamples, 0);
        QObject::connect(&feeder, &QTimer::timeout, &feeder, [this] { feedOne(); });
    }
    void start(int intervalMs) { feeder.start(intervalMs); }
    bool done() const { return pos >= samples.size(); }
    void feedOne() {
        if (done()) {
            feeder.stop();
            return;
        }
        auto& block = core.dispatcher.captureBuffers[static_cast<std::size_t>(core.dispatcher.currentBuffer())];
        for (auto& s : block) s = samples[pos++];
        core.dispatcher.processCaptureBuffer();
        clock.advanceFrames(kBlockFrames);
        ++blocks;
    }
    // Every expected line came, in any order, and nothing else.
    void expectAllReceived() const {
        std::vector<std::string> owed = expected;
        for (const auto& l : lines) {
            const auto it = std::find_if(owed.begin(), owed.end(),
                                         [&](const std::string& p) { return l.rfind(p, 0) == 0; });
            if (it == owed.end())
                ADD_FAILURE() << "unexpected: " << l;
            else
                owed.erase(it);
        }
        for (const auto& o : owed) ADD_FAILURE() << "missing: " << o;
    }

    StreamClock clock{kubtest::localEpoch(2026, 12, 7, 10, 0)};
    ExportingWindow window;
    MonitorCore core;
    QTimer feeder;
    std::vector<std::int16_t> samples;
    std::size_t pos = 0;
    long blocks = 0;
    std::vector<std::string> expected;
    std::vector<std::string> lines;
    std::vector<std::string> writeFailures;
};

// A peer that takes every connection and resets it at once.
class ResettingServer {
public:
    ResettingServer() {
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection()) {
                ++connections;
                const linger hard{1, 0};
                ::setsockopt(static_cast<int>(s->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
                s->abort();
                s->deleteLater();
            }
        });
    }
    bool listen() { return kubtest::listenOnUserPort(server_); }
    quint16 port() const { return server_.serverPort(); }
    void close() { server_.close(); }
    int connections = 0;

private:
    QTcpServer server_;
};

class NetworkFaults : public ::testing::Test {
protected:
    void SetUp() override {
        kubtest::ensureQtApp();
        settings.tcpExport = 1;
        settings.tcpServer = "127.0.0.1";
    }
    Settings settings = defaultSettings();
    kubtest::NoWaitPause pause;
};

TEST_F(NetworkFaults, TcpPeerThatResetsEveryConnection) {
    ResettingServer peer;
    ASSERT_TRUE(peer.listen());
    settings.tcpPort = static_cast<std::int16_t>(peer.port());
    ExportBindings exports(settings, pause);
    std::vector<std::uint32_t> lamps;
    exports.onWatchdogTick = [&](const WatchdogTick& t) { lamps.push_back(t.lampColour); };
    LiveRig rig(&exports, 2);
    exports.applyTo(rig.core.context);
    rig.core.context.exportLines = &rig.window;
    exports.startUp();
    rig.start(4);
    ASSERT_TRUE(kubtest::waitFor([&] { return rig.done() && exports.queuedLines() == 0; }, 120000));

    rig.expectAllReceived();
    EXPECT_TRUE(rig.writeFailures.empty()) << "a TCP fault is shown by the lamp alone";
    EXPECT_GT(peer.connections, 1) << "the watchdog keeps trying";
    ASSERT_FALSE(lamps.empty());
    EXPECT_EQ(std::count(lamps.begin(), lamps.end(), kLampGreen), 0) << "never shown as connected";
    EXPECT_EQ(exports.tcp().linesSent() + exports.tcp().linesDropped(), rig.window.sent);

    // The fault goes away: a peer that reads comes up on the same port.
    const quint16 port = peer.port();
    peer.close();
    kubtest::LineServer good;
    ASSERT_TRUE(good.listen(port));
    ASSERT_TRUE(kubtest::waitFor([&] { return !lamps.empty() && lamps.back() == kLampGreen; }, 15000))
        << "the watchdog reconnects by itself";
    const int before = exports.tcp().linesSent();
    rig.window.send_message("##ZVEI#12345##+");
    EXPECT_TRUE(kubtest::waitFor([&] { return exports.tcp().linesSent() == before + 1; }));
    EXPECT_TRUE(kubtest::waitFor([&] { return good.received.find("##ZVEI#12345##+") != std::string::npos; }));
    exports.shutdown();
}

TEST_F(NetworkFaults, TcpPeerThatNeverReads) {
    kubtest::LineServer peer(/*reads=*/false);
    ASSERT_TRUE(peer.listen());
    settings.tcpPort = static_cast<std::int16_t>(peer.port());
    ExportBindings exports(settings, pause);
    LiveRig rig(&exports, 1);
    exports.applyTo(rig.core.context);
    rig.core.context.exportLines = &rig.window;
    exports.startUp();
    ASSERT_TRUE(exports.waitUntilConnected(5000));
    // Lines far longer than any real one, so the peer's buffers fill within the run.
    rig.window.send_message("##POC#1234567#3#" + std::string(4 << 20, 'x') + "#+");
    rig.start(4);
    ASSERT_TRUE(kubtest::waitFor([&] { return rig.done() && exports.queuedLines() == 0; }, 120000));
    rig.expectAllReceived();
    EXPECT_TRUE(rig.writeFailures.empty());
    EXPECT_EQ(exports.tcpState(), kTcpConnected);
    EXPECT_GT(exports.tcp().linesDropped(), 0) << "the backlog limit was reached";
    EXPECT_EQ(exports.tcp().linesSent() + exports.tcp().linesDropped(), rig.window.sent);
    exports.shutdown();
}

// Receptions come faster than the TCP line and the action program take them: both wait
// in bounded queues, what does not fit is dropped and said once, and once the queues
// have emptied everything goes out.
TEST_F(NetworkFaults, BlockingExportsQueueBoundedAndSayDroppingOnce) {
    kubtest::LineServer peer;
    ASSERT_TRUE(peer.listen());
    settings.tcpPort = static_cast<std::int16_t>(peer.port());
    ExportBindings exports(settings, pause);
    exports.tcp().setLinePauseMs(0);
    std::vector<std::string> said;
    exports.onDropping = [&said](const std::string& m) { said.push_back(m); };
    exports.startUp();
    ASSERT_TRUE(exports.waitUntilConnected(5000));

    class Counting final : public ActionLauncher {
    public:
        void launch(const std::string&, std::vector<std::string>) override { ++started; }
        int started = 0;
    } starter;
    QueuedActionLauncher launcher(starter);
    launcher.onDropping = exports.onDropping;

    // All at once, inside one handling: nothing is sent or started yet.
    const int lines = static_cast<int>(ExportBindings::kMaxQueuedLines) + 100;
    for (int i = 0; i < lines; ++i) exports.send_message("##ZVEI#" + std::to_string(10000 + i) + "##+");
    for (int i = 0; i < 100; ++i) launcher.launch("/bin/true", {"ZVEI", std::to_string(i)});
    EXPECT_EQ(exports.tcp().linesSent(), 0);
    EXPECT_EQ(starter.started, 0);
    EXPECT_EQ(exports.droppedLines(), 100);
    EXPECT_EQ(launcher.dropped(), 100 - static_cast<long long>(QueuedActionLauncher::kMaxQueued));
    EXPECT_EQ(said.size(), 2u) << "each export says it once";

    ASSERT_TRUE(kubtest::waitFor([&] { return exports.queuedLines() == 0 && launcher.queued() == 0; }, 20000));
    EXPECT_EQ(exports.tcp().linesSent(), static_cast<int>(ExportBindings::kMaxQueuedLines));
    EXPECT_EQ(starter.started, static_cast<int>(QueuedActionLauncher::kMaxQueued));
    EXPECT_TRUE(kubtest::waitFor([&] { return peer.received.find("##ZVEI#10499##+") != std::string::npos; }));
    EXPECT_EQ(peer.received.find("##ZVEI#10500##+"), std::string::npos);

    // With the queues empty again a new jam is news again.
    for (int i = 0; i < lines; ++i) exports.send_message("##ZVEI#12345##+");
    EXPECT_EQ(said.size(), 3u);
    exports.shutdown();
}

// An FTP upload waits in an event loop of its own (the client, then the pause after
// it). Lines queued for the TCP export go out meanwhile, each after the pause between
// lines, instead of waiting until the upload is over.
TEST_F(NetworkFaults, TcpLinesGoOutWhileAnUploadWaits) {
    kubtest::LineServer peer;
    ASSERT_TRUE(peer.listen());
    settings.tcpPort = static_cast<std::int16_t>(peer.port());
    QtEventPause waits;
    ExportBindings exports(settings, waits);
    exports.startUp();
    ASSERT_TRUE(exports.waitUntilConnected(5000));

    const std::vector<std::string> lines = {"##FMS#11111111#3#00#+", "##ZVEI#12345##+", "##POC#1234567#3#Brand#+"};
    for (const auto& l : lines) exports.send_message(l);
    std::string receivedWhileUploading;
    QTimer::singleShot(50, [&] {
        waits.pauseMs(3000);  // as the upload's pause after the transfer
        receivedWhileUploading = peer.received;
    });
    ASSERT_TRUE(kubtest::waitFor([&] { return !receivedWhileUploading.empty(); }, 10000));
    EXPECT_EQ(receivedWhileUploading, lines[0] + lines[1] + lines[2]);
    exports.shutdown();
}

// Counts the clients running at the same time and the blocks decoded meanwhile.
class WatchedRunner final : public ProcessRunner {
public:
    explicit WatchedRunner(const LiveRig& rig) : rig_(rig) {}
    ProcessOutcome run(const std::string& program, const std::vector<std::string>& args) override {
        ++running;
        ++runs;
        maxRunning = std::max(maxRunning, running);
        const long before = rig_.blocks;
        ProcessOutcome r = inner_.run(program, args);
        blocksDuringRuns += rig_.blocks - before;
        --running;
        return r;
    }
    int running = 0;
    int maxRunning = 0;
    int runs = 0;
    long blocksDuringRuns = 0;

private:
    const LiveRig& rig_;
    QtProcessRunner inner_;
};

TEST_F(NetworkFaults, FtpServerThatHangsHoldsUpNothing) {
    // Accepted by the system's backlog, never greeted.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::listen(fd, 8), 0);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);

    const std::string folder = kubtest::makeTempDir("kub-ftphang");
    settings.tcpExport = 0;
    settings.htmlExport = 1;
    settings.ftpHost = "127.0.0.1:" + std::to_string(ntohs(a.sin_port));
    settings.ftpLogin = "wache";
    settings.ftpPassword = "geheim";
    LiveRig rig(nullptr, 2);
    rig.core.context.programFolder = folder;
    createProgramFolders(folder);
    rig.core.context.vehicles.vehicleTable[0].kennung = siggen::trafficKennung(0, false);
    rig.core.context.vehicles.vehicleTable[0].rufname = "Florian 1";
    rig.core.context.vehicles.lastNamedSlot = 0;
    WatchedRunner runner(rig);
    NoDialUp dialUp;
    ManualClock uploadClock{1764999967.0};
    FtpUploadContext upload{settings, folder, uploadClock, rig.window, runner, pause, dialUp,
                            KUBMON_EXE, {"ftp", "--timeout=2"}, 0};
    Housekeeping keeper(rig.window, rig.clock, settings, rig.core.context.pageChange,
                        {[&] {
                             StatusPageInput page;
                             page.statusColours.assign(kStatusColourCount, 0);
                             writeStatusPage(folder, page, rig.clock.now());
                         },
                         [&] { uploadStatusPage(upload); }});
    QTimer housekeeping;
    QObject::connect(&housekeeping, &QTimer::timeout, &housekeeping, [&] { keeper.pass(); });
    housekeeping.start(100);
    rig.core.context.markPageChanged();
    rig.start(4);
    ASSERT_TRUE(kubtest::waitFor([&] { return rig.done() && !keeper.running(); }, 180000));
    housekeeping.stop();
    ::close(fd);

    rig.expectAllReceived();
    EXPECT_GE(runner.runs, 1);
    EXPECT_EQ(runner.maxRunning, 1) << "a pass due during an upload starts no second client";
    EXPECT_GT(runner.blocksDuringRuns, 2 * kSampleRate / kBlockFrames) << "decoding went on during the upload";
    ASSERT_FALSE(rig.window.uploadMessages.empty());
    for (const auto& m : rig.window.uploadMessages)
        EXPECT_NE(m.find("nicht übertragen"), std::string::npos) << m;
    kubtest::removeTree(folder);
}

}  // namespace
}  // namespace kub
