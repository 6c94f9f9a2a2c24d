#include "alarm/alarm_rules_output.h"

#include <sys/stat.h>

#include <exception>
#include <nlohmann/json.hpp>

#include "alarm/alarm_messages.h"
#include "alarm/alarm_rules_file.h"
#include "common/time_text.h"
#include "core/record_json.h"
#include "storage/alarm_settings.h"
#include "storage/text_file.h"

namespace kub {

AlarmRulesOutput::AlarmRulesOutput(std::string programFolder, Clock& clock, AlarmDispatch& dispatch, Hooks hooks)
    : path_(programFolder + "/" + kAlarmSettingsFileName),
      clock_(clock),
      dispatch_(dispatch),
      hooks_(std::move(hooks)),
      rules_(std::make_unique<AlarmRules>()),
      matcher_(std::make_unique<AlarmMatcher>(*rules_)) {
    lastLook_ = clock_.nowSeconds();
    const Stamp now = stampNow();
    // No file: no rules, and nothing to say (a monitor that alarms nobody is the default).
    if (now.exists) read(now);
    stamp_ = now;
}

AlarmRulesOutput::Stamp AlarmRulesOutput::stampNow() const {
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0) return {};
    return {true, static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
            static_cast<std::int64_t>(st.st_size), static_cast<std::uint64_t>(st.st_ino)};
}

void AlarmRulesOutput::say(const std::string& line, bool fault) {
    if (hooks_.say) hooks_.say(line, fault);
}

bool AlarmRulesOutput::read(const Stamp& stamp) {
    stamp_ = stamp;
    const bool mended = !faults_.empty();
    const auto text = readDataFile(path_);
    if (!text) {
        faults_ = takeRefusedFiles();
        if (faults_.empty()) faults_.push_back(std::string(kAlarmSettingsFileName) + " nicht lesbar.");
    } else {
        AlarmRulesRead next = parseAlarmRules(*text);
        faults_ = std::move(next.faults);
        if (faults_.empty()) {
            rules_ = std::make_unique<AlarmRules>(std::move(next.rules));
            matcher_ = std::make_unique<AlarmMatcher>(*rules_);
            saidMissing_.clear();
            if (hooks_.setTargets) hooks_.setTargets(rules_->targets);
            // A file with incident settings only is no news; rules, or a mended file, are.
            if (rules_->rules.empty() && rules_->targets.empty() && !mended) return true;
            say(std::string(kAlarmSettingsFileName) + ": " + std::to_string(rules_->rules.size()) + " Regeln, " +
                    std::to_string(rules_->targets.size()) + " Ziele.",
                false);
            return true;
        }
    }
    const std::size_t more = faults_.size() - 1;
    say(faults_.front() + (more ? " (und " + std::to_string(more) + " weitere Fehler; \"kubmon regeln pruefen\")" : "") +
            " Es gelten die bisherigen Alarmregeln (" + std::to_string(rules_->rules.size()) + ").",
        true);
    return false;
}

void AlarmRulesOutput::poll() {
    const double now = clock_.nowSeconds();
    // A clock set back looks again at once rather than after the jump.
    if (now >= lastLook_ && now - lastLook_ < kLookSeconds) return;
    lastLook_ = now;
    const Stamp stamp = stampNow();
    if (stamp == stamp_) return;
    if (!stamp.exists) {
        // An editor replacing the file may leave it away for a moment; the rules stay.
        stamp_ = stamp;
        say(std::string(kAlarmSettingsFileName) + " fehlt; es gelten die bisherigen Alarmregeln (" +
                std::to_string(rules_->rules.size()) + ").",
            true);
        return;
    }
    read(stamp);
}

bool AlarmRulesOutput::reload() {
    lastLook_ = clock_.nowSeconds();
    const Stamp stamp = stampNow();
    if (!stamp.exists) {
        stamp_ = stamp;
        faults_ = {std::string(kAlarmSettingsFileName) + " fehlt in " + path_.substr(0, path_.rfind('/')) + "."};
        say(faults_.front(), true);
        return false;
    }
    return read(stamp);
}

void AlarmRulesOutput::deliver(const ReceptionRecord& record) {
    poll();
    if (rules_->rules.empty()) return;
    ++number_;
    for (std::size_t target : matcher_->match(record)) post(record, target, false);
}

void AlarmRulesOutput::post(const ReceptionRecord& record, std::size_t target, bool test) {
    const AlarmTarget& t = rules_->targets[target];
    std::vector<std::string> missing;
    AlarmMessage m;
    try {
        m = alarmMessage(t, rules_->templates[target], alarmFields(record, alarmId(record.seconds, number_, t.name), test),
                         record.seconds, missing);
    } catch (const std::exception& e) {
        // Radio text that even the replacement of broken UTF-8 cannot carry: the alarm still
        // goes out, with the record's JSON as it is.
        say("Alarm an \"" + t.name + "\" ohne Vorlage gesendet: " + e.what(), true);
        m.id = alarmId(record.seconds, number_, t.name);
        m.target = t.name;
        m.seconds = record.seconds;
        m.test = test;
        m.body = recordJson(record);
    }
    for (const std::string& place : missing)
        if (saidMissing_.insert(t.name + ": " + place).second)
            say(std::string(kAlarmSettingsFileName) + ", [ziel." + t.name + "] " + place.substr(0, place.find(':')) +
                    ": das Feld \"" + place.substr(place.find(':') + 2) + "\" hat dieser Empfang nicht; es bleibt leer.",
                true);
    dispatch_.post(m);
}

bool AlarmRulesOutput::sendTest(const std::string& target) {
    for (std::size_t i = 0; i < rules_->targets.size(); ++i) {
        if (rules_->targets[i].name != target) continue;
        ++number_;
        post(alarmTestRecord(clock_.nowSeconds()), i, true);
        return true;
    }
    return false;
}

ReceptionRecord alarmTestRecord(double seconds) {
    ReceptionRecord r;
    r.seconds = seconds;
    r.time = isoTimeText(seconds);
    r.channel = "left";
    r.protocol = RecordProtocol::Pocsag;
    r.ric = "0000000";
    r.function = 0;
    r.text = "Testalarm von KUB-Monitor";
    r.name = "Test";
    r.line = "##POC#0000000#0#Testalarm von KUB-Monitor#+";
    return r;
}

}  // namespace kub
