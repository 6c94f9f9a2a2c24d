// kubmon regeln erklaeren: why each record goes where, on a recording decoded as
// "kubmon decode" decodes it (incidents included) or on saved JSON Lines of records.

#include <cstdio>
#include <fstream>

#include "alarm/alarm_matcher.h"
#include "alarm/record_line.h"
#include "capture/file_source.h"
#include "common/stderr_line.h"
#include "core/headless_window.h"
#include "core/monitor_core.h"
#include "rules_command.h"
#include "storage/alarm_settings.h"

namespace kubmon {

namespace {

void say(const std::string& line) { kub::writeStderrLine("kubmon regeln erklaeren", line); }

// One line of what was heard: time, protocol and what identifies it.
std::string heard(const kub::ReceptionRecord& r) {
    std::string out = r.time + " " + kub::protocolName(r.protocol);
    switch (r.protocol) {
        case kub::RecordProtocol::Fms:
            out += " " + r.kennung + " Status " + std::to_string(r.status);
            break;
        case kub::RecordProtocol::Zvei: out += " " + r.code; break;
        case kub::RecordProtocol::Pocsag:
            out += " " + r.ric + (r.function >= 0 ? std::string(1, static_cast<char>('a' + r.function)) : "");
            break;
        case kub::RecordProtocol::Tonruf: out += " " + r.tone; break;
        case kub::RecordProtocol::Einsatz:
            for (const auto& u : r.einheiten) out += " " + (u.ric.empty() ? u.code : u.ric);
            if (r.probealarm) out += " (Probealarm)";
            break;
    }
    if (!r.text.empty()) out += " \"" + r.text.substr(0, 60) + (r.text.size() > 60 ? "…" : "") + "\"";
    if (!r.site.empty()) out += " von " + r.site;
    return out;
}

class Explainer final : public kub::ReceptionOutput {
public:
    explicit Explainer(const kub::AlarmRules& rules) : rules_(rules), matcher_(rules) {}

    void deliver(const kub::ReceptionRecord& r) override {
        std::string out = heard(r) + "\n";
        const auto verdicts = matcher_.explain(r);
        for (std::size_t i = 0; i < verdicts.size(); ++i) {
            const kub::AlarmRule& rule = rules_.rules[i];
            out += "  Regel \"" + rule.name + "\": ";
            if (!rule.active) {
                out += "ausgeschaltet (aktiv = false)\n";
            } else if (verdicts[i].holds) {
                out += "sendet an " + names(rule.targets) + "\n";
            } else {
                out += std::string("nein, ") + kub::conditionKey(verdicts[i].failed->kind) + " trifft nicht zu\n";
            }
        }
        const auto& chosen = matcher_.match(r);
        out += chosen.empty() ? "  => an niemanden\n" : "  => an " + names(chosen) + " (je einmal)\n";
        std::fwrite(out.data(), 1, out.size(), stdout);
    }

private:
    std::string names(const std::vector<std::size_t>& targets) const {
        std::string out;
        for (std::size_t t : targets) out += (out.empty() ? "" : ", ") + rules_.targets[t].name;
        return out;
    }

    const kub::AlarmRules& rules_;
    kub::AlarmMatcher matcher_;
};

// A recording begins with its container's magic; saved records begin with "{".
bool looksLikeJsonLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char c = 0;
    while (in.get(c))
        if (c != ' ' && c != '\n' && c != '\r' && c != '\t') return c == '{';
    return false;
}

int explainLines(const std::string& input, Explainer& explainer) {
    std::ifstream in(input, std::ios::binary);
    if (!in) {
        say(input + " nicht lesbar.");
        return 2;
    }
    std::string line;
    int number = 0, refused = 0;
    while (std::getline(in, line)) {
        ++number;
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        std::string error;
        if (const auto record = kub::recordFromJsonLine(line, error)) {
            explainer.deliver(*record);
        } else {
            ++refused;
            say(input + ", Zeile " + std::to_string(number) + ": " + error + " (übergangen)");
        }
    }
    return refused > 0 ? 2 : 0;
}

int explainRecording(const std::string& folder, const std::string& input, Explainer& explainer) {
    kub::WallClock wall;
    kub::StreamClock clock(wall.nowSeconds());
    kub::HeadlessWindow window;
    window.setRecording(false);
    window.setRowLimit(10);
    kub::MonitorCore core(clock, window);
    const kub::OutputRegistration explained = core.context.addOutput(explainer);
    core.enableAll(true);
    core.context.options = kub::DecoderOptions::allOn();
    // Names of receivers and the incidents as the folder has them; no file is written.
    core.context.receivers.load(folder);
    std::vector<std::string> remarks;
    core.context.incidents.configure(kub::loadAlarmSettings(folder, remarks));
    const kub::FileDecodeResult r = kub::feedAudioFile(input, core.dispatcher, &clock, {});
    core.context.flush();
    if (!r.ok) {
        say(r.error);
        return 2;
    }
    return 0;
}

}  // namespace

int explainCommand(const std::string& folder, const std::string& input) {
    const RulesFile file = readRulesFile(folder);
    if (!usable(file, say)) return 2;
    Explainer explainer(file.rules);
    return looksLikeJsonLines(input) ? explainLines(input, explainer) : explainRecording(folder, input, explainer);
}

}  // namespace kubmon
