#pragma once
// The rules and destinations of "Alarmierung.toml" ([[regel]], [ziel.NAME]) as they are
// used: everything a record is compared with is read and compiled once when the file is
// loaded (ranges as numbers, wildcards split, expressions compiled), so a record is
// judged against a thousand rules without parsing anything.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "alarm/alarm_message.h"
#include "alarm/alarm_template.h"
#include "common/named_pattern.h"

namespace kub {

// A text with `*` standing for any run of characters ("6234*", "*11*0").
struct Wildcard {
    std::vector<std::string> parts;  // the texts between the stars
    bool openStart = false;          // begins with a star
    bool openEnd = false;            // ends with a star
    bool matches(const std::string& text) const;
};

// One `wenn.*` (or `ausser.probealarm`) condition. Kinds are judged in this order, the
// cheap ones first; "kubmon regeln erklaeren" names the first one that did not hold.
enum class ConditionKind { Protokoll, Kanal, Standort, Ric, Funktion, Status, Kennung, Code, Zeit, Text, Probealarm };

struct TimeWindow {
    std::uint8_t days = 0x7F;  // bit 0 Monday ... bit 6 Sunday
    int from = 0;              // minutes of the day; `to` counts with its whole minute
    int to = 24 * 60 - 1;
};

struct RicRange {
    std::uint32_t low = 0;
    std::uint32_t high = 0;
};

struct Condition {
    ConditionKind kind = ConditionKind::Protokoll;
    std::uint32_t bits = 0;          // Protokoll, Kanal, Funktion, Status: one bit per value
    std::vector<RicRange> rics;      // Ric
    std::vector<Wildcard> wildcards; // Kennung, Code
    std::vector<std::string> sites;  // Standort ("hier": heard by this monitor)
    bool here = false;               // Standort lists "hier"
    std::vector<TimeWindow> times;   // Zeit
    std::vector<std::shared_ptr<const NamedPattern>> patterns;  // Text
};

// The key of a condition as the file writes it ("wenn.ric", "ausser.probealarm").
const char* conditionKey(ConditionKind kind);

struct AlarmRule {
    std::string name;
    bool active = true;
    std::vector<std::size_t> targets;  // indices into AlarmRules::targets
    std::vector<Condition> conditions; // sorted by kind
    int line = 0;                      // where [[regel]] stands
};

// What a destination's templates make of a record (the rest of it is in AlarmTarget).
struct TargetTemplates {
    bool ownBody = false;  // inhalt given; else the record's JSON
    AlarmTemplate body;
    AlarmTemplate subject;
    std::vector<std::pair<std::string, AlarmTemplate>> headers;
    std::vector<AlarmTemplate> arguments;
};

struct AlarmRules {
    std::vector<AlarmTarget> targets;
    std::vector<TargetTemplates> templates;  // one per target, same order
    std::vector<AlarmRule> rules;
};

}  // namespace kub
