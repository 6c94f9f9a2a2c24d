#pragma once
// The alarm rules as an output of every reception: each record is judged by the rules of
// "Alarmierung.toml" and, for each destination it goes to, one message is posted to the
// delivery, which keeps it in that destination's outbox. Nothing here waits on a network
// or a disk beyond a stat of the file.
//
// The file is read again when it changes (looked at no more than every 2 s, from the
// output's own calls or poll()). A broken file keeps the last good rules and says why,
// once; the destinations of a good one go to the delivery.

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "alarm/alarm_matcher.h"
#include "alarm/alarm_message.h"
#include "alarm/alarm_rules.h"
#include "common/clock.h"
#include "core/reception_output.h"

namespace kub {

class AlarmRulesOutput final : public ReceptionOutput {
public:
    static constexpr double kLookSeconds = 2;

    struct Hooks {
        // The destinations of a newly read file, for the delivery (AlarmDelivery::setTargets).
        std::function<void(std::vector<AlarmTarget>)> setTargets;
        // German lines for the red line or stderr; `fault` when something is wrong.
        std::function<void(const std::string& line, bool fault)> say;
    };

    // Reads the file of `programFolder` at once.
    AlarmRulesOutput(std::string programFolder, Clock& clock, AlarmDispatch& dispatch, Hooks hooks);

    void deliver(const ReceptionRecord& record) override;

    // Reads the file again when it changed and the last look is kLookSeconds ago.
    void poll();
    // Reads the file now ("neu laden"); false when it is broken or missing (the last good
    // rules stay).
    bool reload();
    // One test record marked "test": true to `target`; false when there is no such
    // destination.
    bool sendTest(const std::string& target);

    const AlarmRules& rules() const { return *rules_; }
    // What was wrong with the file at its last reading; empty when it was good.
    const std::vector<std::string>& faults() const { return faults_; }
    const std::string& path() const { return path_; }

private:
    struct Stamp {
        bool exists = false;
        std::int64_t modifiedNs = 0;
        std::int64_t size = 0;
        std::uint64_t inode = 0;
        bool operator==(const Stamp&) const = default;
    };
    Stamp stampNow() const;
    bool read(const Stamp& stamp);
    void post(const ReceptionRecord& record, std::size_t target, bool test);
    void say(const std::string& line, bool fault);

    std::string path_;
    Clock& clock_;
    AlarmDispatch& dispatch_;
    Hooks hooks_;
    std::unique_ptr<AlarmRules> rules_;
    std::unique_ptr<AlarmMatcher> matcher_;
    std::vector<std::string> faults_;
    Stamp stamp_;
    double lastLook_ = 0;
    std::uint64_t number_ = 0;
    // Template places already said to name a missing field ("ziel: inhalt: feld"),
    // bounded by the places the file has.
    std::set<std::string> saidMissing_;
};

// The record "kubmon regeln test" and "Test senden" send: a POCSAG page of this moment.
ReceptionRecord alarmTestRecord(double seconds);

}  // namespace kub
