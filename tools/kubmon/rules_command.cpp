// kubmon regeln: the alarm rules of "Alarmierung.toml" checked (pruefen), explained on a
// recording or saved records (erklaeren, rules_explain.cpp), and one test message sent
// to a destination (test).

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "alarm/alarm_rules_file.h"
#include "alarm/alarm_rules_output.h"
#include "alarm/alarm_start.h"
#include "commands.h"
#include "common/program_folder.h"
#include "common/stderr_line.h"
#include "mqtt/mqtt_alarm_link.h"
#include "mqtt/mqtt_settings.h"
#include "mqtt/mqtt_site.h"
#include "rules_command.h"
#include "storage/alarm_settings.h"
#include "storage/text_file.h"
#include "usage.h"

namespace kubmon {

namespace {

// How long "regeln test" waits for the destination's answer: a mail server may take its
// time, a destination that never answers must not hold the command for ever.
constexpr auto kTestWait = std::chrono::seconds(60);
constexpr auto kTestLook = std::chrono::milliseconds(100);

void say(const std::string& line) { kub::writeStderrLine("kubmon regeln", line); }

int checkCommand(const std::string& folder) {
    const RulesFile file = readRulesFile(folder);
    if (!usable(file, say)) return 2;
    std::size_t off = 0;
    for (const kub::AlarmRule& r : file.rules.rules) off += r.active ? 0 : 1;
    std::printf("%s: in Ordnung, %zu Regeln (%zu ausgeschaltet), %zu Ziele.\n", kub::kAlarmSettingsFileName,
                file.rules.rules.size(), off, file.rules.targets.size());
    return 0;
}

const kub::AlarmTargetState* stateOf(const std::vector<kub::AlarmTargetState>& states, const std::string& name) {
    for (const auto& s : states)
        if (s.name == name) return &s;
    return nullptr;
}

int testCommand(const std::string& folder, const std::string& target) {
    const RulesFile file = readRulesFile(folder);
    if (!usable(file, say)) return 2;
    kub::WallClock clock;
    // An MQTT destination goes out on the broker link of the folder's "MQTT.ini", as it
    // does from the running monitor.
    std::unique_ptr<kub::MqttLink> link;
    kub::MqttAlarmLink broker;
    const kub::MqttSettings mqtt = kub::loadMqttSettings(folder);
    for (const kub::AlarmTarget& t : file.rules.targets)
        if (t.name == target && t.kind == kub::AlarmTargetKind::Mqtt && mqtt.on() && !link) {
            link = std::make_unique<kub::MqttLink>(kub::linkOptions(mqtt));
            link->start();
            // The first try waits for the connection rather than for the pause after a miss.
            for (int i = 0; i < 50 && !link->connected(); ++i) std::this_thread::sleep_for(kTestLook);
            broker.attach(link.get());
        }
    kub::AlarmDeliveryParts delivery = kub::makeAlarmDelivery(folder, clock, &broker);
    if (!delivery.dispatch) {
        say("Zustellung ist in diesem Programm nicht eingebaut; nichts gesendet.");
        return 1;
    }
    kub::AlarmRulesOutput rules(folder, clock, *delivery.dispatch,
                                {delivery.setTargets, [](const std::string& line, bool fault) {
                                     if (fault) say(line);
                                 }});
    const auto statesBefore = delivery.dispatch->states();
    const auto* before = stateOf(statesBefore, target);
    const std::size_t failedBefore = before ? before->failed : 0;
    const double lastBefore = before ? before->lastDeliverySeconds : 0;
    if (!rules.sendTest(target)) {
        say("kein Ziel \"" + target + "\" in " + kub::kAlarmSettingsFileName);
        return 2;
    }
    const auto until = std::chrono::steady_clock::now() + kTestWait;
    while (std::chrono::steady_clock::now() < until) {
        const auto states = delivery.dispatch->states();
        if (const auto* s = stateOf(states, target)) {
            if (s->lastDeliverySeconds > lastBefore && s->waiting == 0) {
                std::printf("Test an \"%s\" zugestellt.\n", target.c_str());
                return 0;
            }
            if (s->failed > failedBefore) {
                say("Test an \"" + target + "\" abgelehnt: " + s->lastError);
                return 1;
            }
        }
        std::this_thread::sleep_for(kTestLook);
    }
    const auto states = delivery.dispatch->states();
    const auto* s = stateOf(states, target);
    say("Test an \"" + target + "\" nach 60 s nicht zugestellt" +
        (s && !s->lastError.empty() ? ": " + s->lastError : std::string()) +
        "; er bleibt im Postausgang und wird weiter versucht, solange der Monitor läuft.");
    return 1;
}

}  // namespace

RulesFile readRulesFile(const std::string& folder) {
    RulesFile out;
    const std::string path = folder + "/" + kub::kAlarmSettingsFileName;
    const auto text = kub::readDataFile(path);
    if (!text) {
        const auto refused = kub::takeRefusedFiles();
        out.error = refused.empty() ? path + " nicht vorhanden." : refused.front();
        return out;
    }
    kub::AlarmRulesRead read = kub::parseAlarmRules(*text);
    out.faults = std::move(read.faults);
    // The incidents' tables of the same file: their faults count as well, but a broken
    // TOML is said only once.
    if (out.faults.empty()) kub::parseAlarmSettings(*text, out.faults);
    out.rules = std::move(read.rules);
    return out;
}

bool usable(const RulesFile& file, const std::function<void(const std::string&)>& say) {
    if (!file.error.empty()) say(file.error);
    for (const std::string& fault : file.faults) say(fault);
    return file.error.empty() && file.faults.empty();
}

int rulesCommand(const Args& args) {
    if (args.empty() || (args.size() == 1 && wantsHelp(args))) return printHelp(kRulesUsage);
    const std::string verb = args[0];
    if (wantsHelp(args)) return printHelp(kRulesUsage);
    std::string folder;
    std::vector<std::string> rest;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--folder" && i + 1 < args.size()) {
            folder = args[++i];
        } else if (args[i].size() > 1 && args[i][0] == '-') {
            return refuse("regeln", "unbekannte Option: " + args[i], kRulesUsage);
        } else {
            rest.push_back(args[i]);
        }
    }
    if (folder.empty()) folder = kub::defaultProgramFolder();
    if (verb == "pruefen" && rest.empty()) return checkCommand(folder);
    if (verb == "erklaeren" && rest.size() == 1) return explainCommand(folder, rest[0]);
    if (verb == "test" && rest.size() == 1) return testCommand(folder, rest[0]);
    return refuse("regeln", "\"" + verb + "\" mit diesen Angaben gibt es nicht", kRulesUsage);
}

}  // namespace kubmon
