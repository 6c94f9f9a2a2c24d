// What a blocking output costs the others. Mixed traffic goes through the monitor's core
// block by block, fed from the event loop as the sound card would, with every output a
// reception has: the window's rows, the day logs, the action program, the TCP line, and
// a last output standing for stdout, MQTT and the rest. Per scenario: the time from a
// reception's row in the window (its first output) to the last output (mean and largest),
// and the longest the event loop went without feeding a block.
//   ./build/bench/bench_blocking_outputs [cycles]
// Scenarios: nothing blocks; a TCP peer that never reads; an action program that never
// ends; a full disk (every write of a data file fails); all three; the reception history
// ("Verlauf.sqlite") written, and one that cannot be written; and for comparison the
// TCP line sent inside the hand-on with its 240 ms pause, as it was before it had a queue.

#include <signal.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/headless_window.h"
#include "core/monitor_core.h"
#include "history/history_output.h"
#include "history/sqlite_history.h"
#include "platform/export_bindings.h"
#include "platform/qt_event_pause.h"
#include "siggen/mixed_traffic.h"
#include "support/line_server.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

struct Stats {
    std::vector<double> values;
    double mean() const {
        double s = 0;
        for (double v : values) s += v;
        return values.empty() ? 0 : s / static_cast<double>(values.size());
    }
    double max() const { return values.empty() ? 0 : *std::max_element(values.begin(), values.end()); }
};

// The window is the first output of every reception: its row marks the start of the
// hand-on.
struct StartProbe {
    Clock::time_point start;
};

class TimedWindow final : public kub::HeadlessWindow {
public:
    explicit TimedWindow(StartProbe& probe) : probe_(probe) {}
    void insertTableRow(kub::ReceptionTable t, const std::string& row) override {
        probe_.start = Clock::now();
        HeadlessWindow::insertTableRow(t, row);
    }

private:
    StartProbe& probe_;
};

class EndProbe final : public kub::ReceptionOutput {
public:
    explicit EndProbe(const StartProbe& probe) : probe_(probe) {}
    void deliver(const kub::ReceptionRecord& r) override {
        // An incident record has no row of its own to start from.
        if (r.protocol != kub::RecordProtocol::Einsatz) delay.values.push_back(msSince(probe_.start));
    }
    Stats delay;

private:
    const StartProbe& probe_;
};

// The TCP line as it went before it had a queue: inside the hand-on, 240 ms pause.
class InlineTcp final : public kub::ReceptionOutput {
public:
    explicit InlineTcp(kub::ExportBindings& e) : exports_(e) {}
    void deliver(const kub::ReceptionRecord& r) override {
        if (!r.line.empty()) exports_.tcp().send_message(r.line);
    }

private:
    kub::ExportBindings& exports_;
};

// The time an output's own deliver() takes on the decoding thread (the history's: the
// copy into its queue), apart from what the machine does meanwhile.
class TimedOutput final : public kub::ReceptionOutput {
public:
    explicit TimedOutput(kub::ReceptionOutput& inner) : inner_(inner) {}
    void deliver(const kub::ReceptionRecord& r) override {
        const auto t0 = Clock::now();
        inner_.deliver(r);
        own.values.push_back(msSince(t0));
    }
    Stats own;

private:
    kub::ReceptionOutput& inner_;
};

struct Scenario {
    const char* name;
    bool tcpPeerNeverReads;
    bool actionNeverEnds;
    bool diskFull;
    bool inlineTcp;
    // 0 no history, 1 "Verlauf.sqlite", 2 a history that cannot be written.
    int history = 0;
};

void run(const Scenario& sc, int cycles, const std::string& base) {
    const std::string folder = base + "/" + std::to_string(reinterpret_cast<std::uintptr_t>(&sc));
    std::filesystem::create_directories(folder);
    if (sc.diskFull) {
        // Every write of a data file fails at once, as on a full disk (a write that fails
        // with ENOSPC fails as fast as this one).
        std::ofstream(folder + "/Status") << "";
        std::ofstream(folder + "/Logbuch") << "";
    } else {
        std::filesystem::create_directories(folder + "/Status");
        std::filesystem::create_directories(folder + "/Logbuch");
    }
    const std::string program = base + "/aktion.sh";

    kubtest::LineServer peer(/*reads=*/false);
    kub::Settings settings = kub::defaultSettings();
    if (sc.tcpPeerNeverReads || sc.inlineTcp) {
        peer.listen();
        settings.tcpExport = true;
        settings.tcpServer = "127.0.0.1";
        settings.tcpPort = peer.port();
    }
    if (sc.actionNeverEnds) settings.actionProgram = program;
    kub::QtEventPause pause;
    kub::ExportBindings exports(settings, pause);
    std::string said;
    int writeFaults = 0;
    exports.onDropping = [&said](const std::string& m) { said += said.empty() ? m : " | " + m; };

    StartProbe start;
    TimedWindow window(start);
    window.setRecording(false);
    window.setRowLimit(10);
    kub::StreamClock clock(1767261600.0);
    kub::MonitorCore core(clock, window);
    core.enableAll(true);
    core.context.programFolder = folder;
    core.context.reportWriteFailure = [&writeFaults](const std::string&) { ++writeFaults; };
    exports.applyTo(core.context);
    EndProbe end(start);
    InlineTcp inlineTcp(exports);
    kub::SqliteHistory historyStore(sc.history == 2 ? folder + "/fehlt/Verlauf.sqlite" : folder + "/Verlauf.sqlite");
    kub::WallClock historyClock;
    kub::HistoryOutput history(historyStore, historyClock, {}, 
                               [](const std::string& m) { std::fprintf(stderr, "  %s\n", m.c_str()); });
    if (sc.inlineTcp) core.context.tcpExportOn = false;  // only the inline one sends
    kub::OutputRegistration inlined;
    if (sc.inlineTcp) inlined = core.context.addOutput(inlineTcp);
    kub::OutputRegistration kept;
    TimedOutput timedHistory(history);
    if (sc.history > 0) {
        history.start();
        kept = core.context.addOutput(timedHistory);
    }
    const kub::OutputRegistration last = core.context.addOutput(end);
    exports.startUp();
    if (settings.tcpExport) exports.waitUntilConnected(5000);

    std::vector<std::int16_t> samples;
    for (long i = 0; i < cycles; ++i) {
        const auto s = siggen::mixedTrafficCycle(i).track.toInterleaved16();
        samples.insert(samples.end(), s.begin(), s.end());
    }
    samples.resize(samples.size() + 8 * kub::kBlockSamples, 0);

    std::size_t pos = 0;
    double longestGap = 0;
    auto lastFeed = Clock::now();
    QTimer feeder;
    QObject::connect(&feeder, &QTimer::timeout, &feeder, [&] {
        longestGap = std::max(longestGap, msSince(lastFeed));
        lastFeed = Clock::now();
        if (pos >= samples.size()) return;
        auto& block = core.dispatcher.captureBuffers[static_cast<std::size_t>(core.dispatcher.currentBuffer())];
        for (auto& s : block) s = samples[pos++];
        clock.advanceFrames(kub::kBlockFrames);
        core.dispatcher.processCaptureBuffer();
    });
    const auto t0 = Clock::now();
    feeder.start(2);
    while (pos < samples.size()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const double wall = msSince(t0);
    feeder.stop();
    const std::size_t left = exports.queuedLines();
    std::printf("%-44s %3zu Empfänge  letzte Ausgabe %6.2f/%7.2f ms  Lücke %6.1f ms  "
                "Lauf %6.0f ms  TCP gesendet %d, verworfen %lld, wartend %zu\n",
                sc.name, end.delay.values.size(), end.delay.mean(),
                end.delay.max(), longestGap, wall, exports.tcp().linesSent(),
                static_cast<long long>(exports.tcp().linesDropped()) + exports.droppedLines(), left);
    if (!said.empty()) std::printf("%-44s gesagt: %s\n", "", said.c_str());
    if (writeFaults > 0) std::printf("%-44s Schreibfehler gemeldet: %d\n", "", writeFaults);
    std::fflush(stdout);
    // Not waiting for the queue at the end: this measures the hand-on, not the drain.
    exports.tcp().setLinePauseMs(0);
    exports.shutdown();
    if (sc.history > 0) {
        std::printf("%-44s Verlauf selbst (in die Warteschlange): %.3f/%.3f ms\n", "", timedHistory.own.mean(),
                    timedHistory.own.max());
        history.stop(0.5);
        std::printf("%-44s Verlauf geschrieben: %llu\n", "", static_cast<unsigned long long>(history.written()));
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int cycles = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const std::string base = (std::filesystem::temp_directory_path() / "kub-bench-blocking").string();
    std::filesystem::remove_all(base);
    std::filesystem::create_directories(base);
    // An action program that never ends; it leaves its process id so the bench can end
    // exactly the processes it started.
    {
        std::ofstream script(base + "/aktion.sh");
        script << "#!/bin/sh\necho $$ >> " << base << "/pids\nexec sleep 3600\n";
    }
    std::filesystem::permissions(base + "/aktion.sh", std::filesystem::perms::owner_all);

    std::printf("letzte Ausgabe: Mittel/größter Wert ab der Zeile im Fenster (der ersten Ausgabe)\n");
    const Scenario scenarios[] = {
        {"nichts blockiert", false, false, false, false},
        {"TCP-Gegenstelle liest nie", true, false, false, false},
        {"Aktionsprogramm endet nie", false, true, false, false},
        {"Platte voll", false, false, true, false},
        {"alle drei", true, true, true, false},
        {"Verlauf (Verlauf.sqlite)", false, false, false, false, 1},
        {"Verlauf nicht schreibbar", false, false, false, false, 2},
        {"zum Vergleich: TCP im Empfang (240 ms Pause)", true, false, false, true},
    };
    for (const Scenario& sc : scenarios) run(sc, cycles, base);

    std::ifstream pids(base + "/pids");
    long pid = 0;
    int ended = 0;
    while (pids >> pid)
        if (pid > 1 && ::kill(static_cast<pid_t>(pid), SIGTERM) == 0) ++ended;
    std::printf("beendete Aktionsprogramme: %d\n", ended);
    std::filesystem::remove_all(base);
    return 0;
}
