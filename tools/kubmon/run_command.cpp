// kubmon run: the whole monitor without a window, on one program folder, configured by
// its "Mon.ini" as the window is. Audio from the sound card of "Mon.ini" line 1, or with
// --input from a recording played at the pace of a sound card, or with "--input -" raw
// PCM from stdin at the pace of the pipe (an SDR receiver). Each reception's export line
// goes to stdout (with --json each reception as a JSON object on a line of its own);
// faults and start/stop go to stderr, one line each.

#include <unistd.h>

#include <QCoreApplication>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

#include "capture_keeper.h"
#include "commands.h"
#include "capture/pipe_reader.h"
#include "common/stderr_line.h"
#include "common/clock.h"
#include "alarm/alarm_start.h"
#include "common/program_folder.h"
#include "fault_lines.h"
#include "common/command_options.h"
#include "common/whole_number.h"
#include "history/history_keeper.h"
#include "history/postgres_history.h"
#include "core/reception_watchdog.h"
#include "mqtt/mqtt_settings.h"
#include "mqtt/mqtt_site.h"
#include "platform/file_replay.h"
#include "platform/monitor_session.h"
#include "platform/monitor_wiring.h"
#include "platform/pipe_replay.h"
#include "platform/repeating_timer.h"
#include "platform/stop_signals.h"
#include "platform/web_view_server.h"
#include "raw_input_options.h"
#include "sdr/sdr_options.h"
#include "sdr_run_input.h"
#include "run_window.h"
#include "stdout_output.h"
#include "usage.h"
#include "storage/station_names.h"
#include "storage/text_file.h"


namespace kubmon {

namespace {

constexpr int kDefaultPassSeconds = 60;
constexpr long kMaxPassSeconds = 86400;
constexpr long kMaxSilentMinutes = 99999;
constexpr long kMaxPort = 65535;

void say(const std::string& line) {
    kub::writeStderrLine("kubmon run", line);
}

// "ADDRESS:PORT" or "[IPv6]:PORT"; false when it is neither.
bool splitHostPort(const std::string& text, std::string& address, int& port) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos) return false;
    address = text.substr(0, colon);
    if (address.size() >= 2 && address.front() == '[' && address.back() == ']')
        address = address.substr(1, address.size() - 2);
    const std::string digits = text.substr(colon + 1);
    const auto number = digits.find_first_not_of("0123456789") == std::string::npos
                            ? kub::wholeNumber(digits, 0, kMaxPort)
                            : std::nullopt;
    if (address.empty() || !number) return false;
    port = static_cast<int>(*number);
    return true;
}

std::vector<std::string> rowTexts(const kub::HeadlessWindow& w, kub::ReceptionTable t) {
    std::vector<std::string> rows;
    for (const auto& r : w.rows(t)) rows.push_back(r.text);
    return rows;
}

// The colour of each row's name cell, as the window paints it.
std::vector<std::uint32_t> nameColours(const kub::HeadlessWindow& w, kub::ReceptionTable t) {
    const std::size_t column = t == kub::ReceptionTable::Pocsag ? 2 : 1;
    std::vector<std::uint32_t> colours;
    for (const auto& r : w.rows(t))
        colours.push_back(column < r.cellColours.size() ? r.cellColours[column] : kub::WebViewState::kNoRowColour);
    return colours;
}

struct RunOptions {
    std::string folder;
    std::string input;
    int passSeconds = kDefaultPassSeconds;
    bool json = false;
    RawInputOptions raw;
    kub::SdrOptionReader sdr;
    std::string httpAddress;
    int httpPort = -1;
    std::string httpKey;
    std::string mqttAddress;
    std::string historyUrl;
    int silentMinutes = -1;
    std::vector<kub::WatchedName> expected;
};

// The options into `o`; the exit status when they are wrong (said on stderr).
std::optional<int> takeOptions(const Args& args, RunOptions& o) {
    kub::CommandOptions options;
    options.flag("--json", o.json).text("--folder", o.folder).text("--input", o.input);
    o.raw.addTo(options);
    o.sdr.addTo(options);
    options.value("--http", [&o](const std::string& v) {
        return splitHostPort(v, o.httpAddress, o.httpPort) ? std::string()
                                                            : "--http erwartet ADRESSE:PORT, z. B. 127.0.0.1:8080";
    });
    options.text("--http-key", o.httpKey);
    options.text("--verlauf", o.historyUrl, [](const std::string& v) { return kub::postgresUrlProblem(v); });
    options.text("--mqtt", o.mqttAddress, [](const std::string& v) {
        kub::MqttSettings check;
        return kub::applyMqttAddress(v, check).value_or(std::string());
    });
    options.number("--stille", o.silentMinutes, 1, kMaxSilentMinutes, "--stille erwartet Minuten von 1 bis 99999");
    options.value("--erwarte", [&o](const std::string& v) {
        const auto names = kub::parseWatchedNames(v);
        if (names.size() != 1) return std::string("--erwarte erwartet NAME=MINUTEN, zum Beispiel 1234567=60");
        o.expected.push_back(names.front());
        return std::string();
    });
    options.number("--takt", o.passSeconds, 1, kMaxPassSeconds, "--takt erwartet Sekunden von 1 bis 86400");
    if (const auto refused = options.parse(args)) {
        if (refused->kind != kub::CommandOptions::Refusal::Kind::BadValue)
            return refuse("run", "unbekannte Option oder Option ohne Wert: " + refused->text, kRunUsage);
        say(refused->text);
        return 2;
    }
    if (!o.httpKey.empty() && o.httpPort < 0) {
        say("--http-key gilt nur zusammen mit --http");
        return 2;
    }
    return std::nullopt;
}

// The lines of the headless monitor at each start-up step.
kub::StartUpSteps startUpLines(FaultLines& faults, const std::string& folder, const kub::Settings& on) {
    kub::StartUpSteps steps;
    steps.foldersMissing = [&faults, folder] {
        faults.begin("Dateien", "Ordner \"Status\"/\"Logbuch\" in \"" + folder + "\" nicht anlegbar.");
    };
    steps.alarmRemarks = [](const std::vector<std::string>& remarks) {
        for (const auto& remark : remarks) say(remark);
    };
    steps.dayLogsReloaded = [folder, &on](const std::array<int, 3>& rows) {
        say("Programmordner \"" + folder + "\"; heute bisher " + std::to_string(rows[0]) + " FMS, " +
            std::to_string(rows[1]) + " ZVEI, " + std::to_string(rows[2]) + " POCSAG.");
        if (!on.anyDecoderLeft() && !on.anyDecoderRight())
            say("Alle Decoder sind ausgeschaltet (Mon.ini Zeilen 25 bis 30); es wird nichts dekodiert.");
    };
    return steps;
}

}  // namespace

int runCommand(const Args& args) {
    if (wantsHelp(args)) return printHelp(kRunUsage);
    RunOptions o;
    if (const auto wrong = takeOptions(args, o)) return *wrong;
    const bool fromStdin = o.input == "-";
    kub::RawPcmFormat rawFormat;
    if (const std::string wrong = o.raw.format(fromStdin, rawFormat); !wrong.empty()) {
        say(wrong);
        return 2;
    }
    if (const std::string problem = fromStdin ? kub::pipeInputProblem(STDIN_FILENO) : ""; !problem.empty()) {
        say(problem);
        return 2;
    }
    std::string folder = o.folder.empty() ? kub::defaultProgramFolder() : o.folder;
    std::error_code ec;
    if (folder.empty() || !std::filesystem::is_directory(folder, ec)) {
        say("Programmordner \"" + folder + "\" gibt es nicht.");
        return 2;
    }
    kub::SdrOptions sdr;
    if (o.sdr.wanted()) {
        const std::string wrong = !o.input.empty() ? "--sdr und --input schließen einander aus" : o.sdr.finish(folder, sdr);
        if (!wrong.empty()) {
            say(wrong);
            return 2;
        }
    }

    int qtArgc = 1;
    char qtName[] = "kubmon";
    char* qtArgv[] = {qtName, nullptr};
    QCoreApplication app(qtArgc, qtArgv);

    kub::FolderLock lock;
    switch (lock.acquire(folder)) {
        case kub::FolderLock::Result::HeldByOther:
            say("Server läuft schon ! Im Programmordner \"" + folder +
                "\" arbeitet bereits ein Monitor (Fenster oder kubmon run).");
            return 1;
        case kub::FolderLock::Result::Unavailable:
            say("Sperrdatei \"" + std::string(kub::kLockFileName) + "\" nicht anlegbar (Ordner schreibgeschützt ?); "
                "ein zweiter Monitor auf diesem Ordner würde nicht erkannt.");
            break;
        case kub::FolderLock::Result::Acquired:
            break;
    }

    FaultLines faults(say);
    RunWindow window(faults);
    // A pipe keeps its own time (see StreamClock::keepUpWith); everything else runs on
    // the wall clock.
    kub::WallClock wall;
    kub::StreamClock stream(wall.nowSeconds());
    kub::Clock& clock = fromStdin || o.sdr.wanted() ? static_cast<kub::Clock&>(stream) : wall;
    kub::MonitorSession session(folder, clock, window,
                                [&window](kub::ReceptionTable t) { return rowTexts(window, t); });
    session.exports->onDropping = [](const std::string& m) { say(m); };
    session.core.context.reportWriteFailure = [&window](const std::string& m) { window.writeFailed(m); };
    session.core.context.reportWriteRecovered = [&window] { window.writeRecovered(); };
    StdoutOutput out(o.json);
    const kub::OutputRegistration printed = session.core.context.addOutput(out);

    // The start-up every monitor goes through, said on stderr instead of shown.
    session.startUp(startUpLines(faults, folder, session.settings));
    // The page on the server shows the board as it is now, not as it was before the
    // restart: the first pass writes it even before the first reception.
    session.core.context.markPageChanged();

    // Every reception into the history ("Verlauf.sqlite" or PostgreSQL), on its own thread.
    kub::HistoryKeeper history(folder, wall, o.historyUrl, say);
    kub::OutputRegistration historyOutput = session.core.context.addOutput(history.output());

    // The web board, MQTT and the watchdog as the window wires them; stopped on every
    // way out of this function.
    const kub::StationNames stationNames = kub::loadStationNames(folder);
    kub::MonitorWiring wiring(session, {say, [](const std::vector<kub::WatchdogEvent>& events) {
                                            for (const auto& e : events) say(e.message);
                                        }});
    // The alarm rules of "Alarmierung.toml" and their delivery; the file and the delivery's
    // news are looked at every second.
    kub::AlarmStart alarms(session.core.context, folder, clock, &wiring.alarmBroker(),
                           [](const std::string& line, bool) { say(line); });
    kub::RepeatingTimer alarmLook(1000, [&] { alarms.poll(); });
    alarmLook.start();
    if (o.httpPort >= 0) {
        const std::string refusal = wiring.startWeb(
            kub::WebViewSources{&session.core.context.vehicles, &session.settings, &stationNames, &window},
            o.httpAddress, o.httpPort, o.httpKey, [&window](kub::WebViewState& state) {
                for (auto t : {kub::ReceptionTable::Fms, kub::ReceptionTable::Zvei, kub::ReceptionTable::Pocsag})
                    state.seedTable(t, rowTexts(window, t), nameColours(window, t));
            });
        if (!refusal.empty()) {
            say(refusal);
            return 2;
        }
        wiring.web()->setHistory(&history.source(), &session.core.context.receivers);
        const bool v6 = o.httpAddress.find(':') != std::string::npos;
        say("Web-Ansicht: http://" + (v6 ? "[" + o.httpAddress + "]" : o.httpAddress) + ":" +
            std::to_string(wiring.web()->port()) + "/" + (o.httpKey.empty() ? "" : " (mit Zugangsschlüssel)"));
    }

    std::string lamp;
    session.exports->onWatchdogTick = [&](const kub::WatchdogTick& tick) {
        const bool up = tick.lampColour == kub::kLampGreen;
        const std::string now = up ? "verbunden" : "getrennt";
        if (now == lamp) return;
        if (!lamp.empty() || !up)
            say("TCP-Export " + now + " (" + session.settings.tcpServer + ":" +
                std::to_string(session.settings.tcpPort) + ").");
        lamp = now;
    };

    // MQTT: the folder's "MQTT.ini", the connection part replaced by --mqtt; the
    // reception watchdog by "MQTT.ini" or the options.
    kub::MqttSettings mqtt = kub::loadMqttSettings(folder);
    if (!o.mqttAddress.empty()) kub::applyMqttAddress(o.mqttAddress, mqtt);
    for (const auto& refused : kub::takeRefusedFiles()) say(refused);
    if (o.silentMinutes > 0) mqtt.silentChannelMinutes = o.silentMinutes;
    if (!o.expected.empty()) mqtt.watchedNames = o.expected;

    kub::RepeatingTimer housekeeping(o.passSeconds * 1000, [&] {
        session.housekeepingPass();
        for (const auto& refused : kub::takeRefusedFiles()) say(refused);
    });
    housekeeping.start();

    kub::onStopSignals([&](int) { QCoreApplication::quit(); });

    std::unique_ptr<kub::FileReplay> replay;
    std::unique_ptr<kub::PipeReplay> pipe;
    std::unique_ptr<CaptureKeeper> keeper;
    std::unique_ptr<SdrRunInput> sdrInput;
    auto finished = [&session](const char* line) {
        say(line);
        // What the input changed reaches the page and the server before the end.
        session.housekeepingPass();
        QCoreApplication::quit();
    };
    if (o.sdr.wanted()) {
        std::string refusal;
        sdrInput = SdrRunInput::start(sdr, session.core, stream, wall, say, [finished] { finished("Eingabe zu Ende."); },
                                      refusal);
        if (!sdrInput) {
            say(refusal);
            return 2;
        }
    } else if (fromStdin) {
        pipe = std::make_unique<kub::PipeReplay>(session.core.dispatcher, STDIN_FILENO, rawFormat, stream, wall);
        session.core.dispatcher.setRequeue(pipe.get());
        pipe->onFinished = [finished] { finished("Eingabe zu Ende."); };
        pipe->start();
    } else if (!o.input.empty()) {
        replay = std::make_unique<kub::FileReplay>(session.core.dispatcher);
        session.core.dispatcher.setRequeue(replay.get());
        if (!replay->start(o.input)) {
            say(replay->error());
            return 2;
        }
        replay->onFinished = [finished] { finished("Aufzeichnung zu Ende."); };
    } else {
        if (session.settings.deviceIndex < 0) {
            say("Es wurde noch keine Soundkarte selektiert (Mon.ini Zeile 1, siehe \"kubmon devices\").");
            return 2;
        }
        keeper = std::make_unique<CaptureKeeper>(*session.device, faults);
        keeper->start(session.settings.deviceIndex);
    }

    // After the input: an SDR stick's channels are on the core now, for the watchdog to watch.
    wiring.runMqtt(mqtt, session.settings);
    QCoreApplication::exec();

    housekeeping.stop();
    if (keeper) keeper->stop();
    if (replay) replay->stop();
    if (pipe) pipe->stop();
    if (sdrInput) sdrInput->stop();
    // Pages whose incident is still open go out now, while every output is there.
    wiring.stop();
    // The history last: it has been handed the incidents the stop sent out.
    historyOutput.reset();
    history.stop();
    session.shutdown();
    say("beendet.");
    return 0;
}

}  // namespace kubmon
