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

#include "capture_keeper.h"
#include "commands.h"
#include "capture/pipe_reader.h"
#include "common/stderr_line.h"
#include "common/clock.h"
#include "common/program_folder.h"
#include "fault_lines.h"
#include "history/history_keeper.h"
#include "history/postgres_history.h"
#include "core/reception_watchdog.h"
#include "mqtt/mqtt_settings.h"
#include "mqtt/mqtt_site.h"
#include "platform/file_replay.h"
#include "platform/monitor_session.h"
#include "platform/pipe_replay.h"
#include "platform/repeating_timer.h"
#include "platform/stop_signals.h"
#include "platform/web_view_server.h"
#include "raw_input_options.h"
#include "run_window.h"
#include "stdout_output.h"
#include "usage.h"
#include "storage/station_names.h"
#include "storage/text_file.h"


namespace kubmon {

namespace {

constexpr int kDefaultPassSeconds = 60;

void say(const std::string& line) {
    kub::writeStderrLine("kubmon run", line);
}

// "ADDRESS:PORT" or "[IPv6]:PORT"; false when it is neither.
bool splitHostPort(const std::string& text, std::string& address, int& port) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon + 1 >= text.size()) return false;
    address = text.substr(0, colon);
    if (address.size() >= 2 && address.front() == '[' && address.back() == ']')
        address = address.substr(1, address.size() - 2);
    const std::string digits = text.substr(colon + 1);
    if (address.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    port = std::stoi(digits);
    return port <= 65535;
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

}  // namespace

int runCommand(const Args& args) {
    if (wantsHelp(args)) return printHelp(kRunUsage);
    std::string folder;
    std::string input;
    int passSeconds = kDefaultPassSeconds;
    bool json = false;
    RawInputOptions raw;
    std::string httpAddress;
    int httpPort = -1;
    std::string httpKey;
    std::string mqttAddress;
    std::string historyUrl;
    int silentMinutes = -1;
    std::vector<kub::WatchedName> expected;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (raw.take(args, i)) continue;
        if (args[i] == "--json") {
            json = true;
        } else if (args[i] == "--folder" && hasValue) {
            folder = args[++i];
        } else if (args[i] == "--input" && hasValue) {
            input = args[++i];
        } else if (args[i] == "--http" && hasValue) {
            if (!splitHostPort(args[++i], httpAddress, httpPort)) {
                say("--http erwartet ADRESSE:PORT, z. B. 127.0.0.1:8080");
                return 2;
            }
        } else if (args[i] == "--http-key" && hasValue) {
            httpKey = args[++i];
        } else if (args[i] == "--mqtt" && hasValue) {
            mqttAddress = args[++i];
            kub::MqttSettings check;
            if (const auto error = kub::applyMqttAddress(mqttAddress, check)) {
                say(*error);
                return 2;
            }
        } else if (args[i] == "--verlauf" && hasValue) {
            historyUrl = args[++i];
            if (const std::string why = kub::postgresUrlProblem(historyUrl); !why.empty()) {
                say(why);
                return 2;
            }
        } else if (args[i] == "--stille" && hasValue) {
            const std::string v = args[++i];
            silentMinutes = v.find_first_not_of("0123456789") == std::string::npos && v.size() < 6 && !v.empty()
                                ? std::stoi(v)
                                : -1;
            if (silentMinutes < 1) {
                say("--stille erwartet Minuten von 1 bis 99999");
                return 2;
            }
        } else if (args[i] == "--erwarte" && hasValue) {
            const auto names = kub::parseWatchedNames(args[++i]);
            if (names.size() != 1) {
                say("--erwarte erwartet NAME=MINUTEN, zum Beispiel 1234567=60");
                return 2;
            }
            expected.push_back(names.front());
        } else if (args[i] == "--takt" && hasValue) {
            try {
                passSeconds = std::stoi(args[++i]);
            } catch (...) {
                passSeconds = 0;
            }
            if (passSeconds < 1 || passSeconds > 86400) {
                say("--takt erwartet Sekunden von 1 bis 86400");
                return 2;
            }
        } else {
            return refuse("run", "unbekannte Option oder Option ohne Wert: " + args[i], kRunUsage);
        }
    }
    if (!httpKey.empty() && httpPort < 0) {
        say("--http-key gilt nur zusammen mit --http");
        return 2;
    }
    const bool fromStdin = input == "-";
    kub::RawPcmFormat rawFormat;
    if (const std::string wrong = raw.format(fromStdin, rawFormat); !wrong.empty()) {
        say(wrong);
        return 2;
    }
    if (const std::string problem = fromStdin ? kub::pipeInputProblem(STDIN_FILENO) : ""; !problem.empty()) {
        say(problem);
        return 2;
    }
    if (folder.empty()) folder = kub::defaultProgramFolder();
    std::error_code ec;
    if (folder.empty() || !std::filesystem::is_directory(folder, ec)) {
        say("Programmordner \"" + folder + "\" gibt es nicht.");
        return 2;
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
    kub::Clock& clock = fromStdin ? static_cast<kub::Clock&>(stream) : wall;
    kub::MonitorSession session(folder, clock, window,
                                [&window](kub::ReceptionTable t) { return rowTexts(window, t); });
    session.exports->onDropping = [](const std::string& m) { say(m); };
    session.core.context.reportWriteFailure = [&window](const std::string& m) { window.writeFailed(m); };
    session.core.context.reportWriteRecovered = [&window] { window.writeRecovered(); };
    StdoutOutput out(json);
    session.core.context.outputs.push_back(&out);

    // Start-up as the window's, without its controls.
    if (!kub::createProgramFolders(folder))
        faults.begin("Dateien", "Ordner \"Status\"/\"Logbuch\" in \"" + folder + "\" nicht anlegbar.");
    session.loadSettings();
    session.applySettings();
    session.core.context.vehicles.applyLayout(session.settings.layoutCode);
    session.exports->startUp();
    session.loadVehicles();
    session.loadReceivers();
    for (const auto& remark : session.loadAlarmSettings()) say(remark);
    const auto reloaded = session.reloadDayLogs();
    say("Programmordner \"" + folder + "\"; heute bisher " + std::to_string(reloaded[0]) + " FMS, " +
        std::to_string(reloaded[1]) + " ZVEI, " + std::to_string(reloaded[2]) + " POCSAG.");
    const kub::Settings& on = session.settings;
    if (on.fmsLeft != 1 && on.zveiLeft != 1 && on.pocsagLeft != 1 && on.fmsRight != 1 && on.zveiRight != 1 &&
        on.pocsagRight != 1)
        say("Alle Decoder sind ausgeschaltet (Mon.ini Zeilen 25 bis 30); es wird nichts dekodiert.");
    // The page on the server shows the board as it is now, not as it was before the
    // restart: the first pass writes it even before the first reception.
    session.core.context.pageChanged = 1;

    // Every reception into the history ("Verlauf.sqlite" or PostgreSQL), on its own thread.
    kub::HistoryKeeper history(folder, wall, historyUrl, say);
    session.core.context.outputs.push_back(&history.output());

    // The live web board: one more output of every reception.
    const kub::StationNames stationNames = kub::loadStationNames(folder);
    std::unique_ptr<kub::WebViewServer> web;
    if (httpPort >= 0) {
        web = std::make_unique<kub::WebViewServer>(
            kub::WebViewSources{&session.core.context.vehicles, &session.settings, &stationNames, &window});
        const std::string refusal = web->start(httpAddress, httpPort, httpKey);
        if (!refusal.empty()) {
            say(refusal);
            return 2;
        }
        for (auto t : {kub::ReceptionTable::Fms, kub::ReceptionTable::Zvei, kub::ReceptionTable::Pocsag})
            web->state().seedTable(t, rowTexts(window, t), nameColours(window, t));
        session.core.context.outputs.push_back(web.get());
        const bool v6 = httpAddress.find(':') != std::string::npos;
        say("Web-Ansicht: http://" + (v6 ? "[" + httpAddress + "]" : httpAddress) + ":" +
            std::to_string(web->port()) + "/" + (httpKey.empty() ? "" : " (mit Zugangsschlüssel)"));
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

    // MQTT: the folder's "MQTT.ini", the connection part replaced by --mqtt.
    kub::MqttSettings mqtt = kub::loadMqttSettings(folder);
    if (!mqttAddress.empty()) kub::applyMqttAddress(mqttAddress, mqtt);
    for (const auto& refused : kub::takeRefusedFiles()) say(refused);
    std::unique_ptr<kub::MqttSite> mqttSite;
    if (mqtt.on()) mqttSite = std::make_unique<kub::MqttSite>(session.core.context, mqtt, say);
    kub::RepeatingTimer mqttPoll(100, [&] {
        if (mqttSite) mqttSite->poll();
    });
    mqttPoll.start();

    // The reception watchdog: "MQTT.ini", or the options.
    if (silentMinutes > 0) mqtt.silentChannelMinutes = silentMinutes;
    if (!expected.empty()) mqtt.watchedNames = expected;
    std::vector<std::string> channels;
    if (on.fmsLeft == 1 || on.zveiLeft == 1 || on.pocsagLeft == 1) channels.push_back("left");
    if (on.fmsRight == 1 || on.zveiRight == 1 || on.pocsagRight == 1) channels.push_back("right");
    std::vector<kub::ReceptionWatchdog::Watched> watched;
    for (const auto& n : mqtt.watchedNames) watched.push_back({n.name, n.minutes});
    kub::ReceptionWatchdog watchdog(clock, channels, mqtt.silentChannelMinutes, watched);
    if (!watchdog.empty()) session.core.context.outputs.push_back(&watchdog);
    kub::RepeatingTimer watchdogTimer(1000, [&] {
        for (const auto& e : watchdog.check()) {
            say(e.message);
            if (mqttSite) mqttSite->publishReceptionState(watchdog.stateJson(e));
        }
    });
    if (!watchdog.empty()) watchdogTimer.start();

    kub::RepeatingTimer housekeeping(passSeconds * 1000, [&] {
        session.housekeepingPass();
        for (const auto& refused : kub::takeRefusedFiles()) say(refused);
    });
    housekeeping.start();

    int status = 0;
    kub::onStopSignals([&](int) { QCoreApplication::quit(); });

    std::unique_ptr<kub::FileReplay> replay;
    std::unique_ptr<kub::PipeReplay> pipe;
    std::unique_ptr<CaptureKeeper> keeper;
    if (fromStdin) {
        pipe = std::make_unique<kub::PipeReplay>(session.core.dispatcher, STDIN_FILENO, rawFormat, stream, wall);
        session.core.dispatcher.setRequeue(pipe.get());
        pipe->onFinished = [&] {
            say("Eingabe zu Ende.");
            // What the input changed reaches the page and the server before the end.
            session.housekeepingPass();
            QCoreApplication::quit();
        };
        pipe->start();
    } else if (!input.empty()) {
        replay = std::make_unique<kub::FileReplay>(session.core.dispatcher);
        session.core.dispatcher.setRequeue(replay.get());
        if (!replay->start(input)) {
            say(replay->error());
            return 2;
        }
        replay->onFinished = [&] {
            say("Aufzeichnung zu Ende.");
            // What the recording changed reaches the page and the server before the end.
            session.housekeepingPass();
            QCoreApplication::quit();
        };
    } else {
        if (session.settings.deviceIndex < 0) {
            say("Es wurde noch keine Soundkarte selektiert (Mon.ini Zeile 1, siehe \"kubmon devices\").");
            return 2;
        }
        keeper = std::make_unique<CaptureKeeper>(*session.device, faults);
        keeper->start(session.settings.deviceIndex);
    }

    QCoreApplication::exec();
    // Pages whose incident is still open: it goes out now, while every output is there.
    session.core.context.incidents.flush();
    std::erase(session.core.context.outputs, &history.output());
    history.stop();

    housekeeping.stop();
    if (web) {
        std::erase(session.core.context.outputs, web.get());
        web->stop();
    }
    if (keeper) keeper->stop();
    if (replay) replay->stop();
    if (pipe) pipe->stop();
    mqttPoll.stop();
    watchdogTimer.stop();
    if (mqttSite) mqttSite->stop();
    session.shutdown();
    say("beendet.");
    return status;
}

}  // namespace kubmon
