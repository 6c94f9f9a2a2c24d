#pragma once
// "Alarmierung.toml" in the program folder: how the pages of one alarm are bundled into
// an incident, when test alarms are due, and how fields are read from alarm texts. Tables
// this monitor does not know (destinations, rules, ...) are left alone, so the file can
// carry more than this part reads. A broken file is said, with line and column, and the
// defaults hold.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kub {

inline constexpr const char* kAlarmSettingsFileName = "Alarmierung.toml";

// No incident stays open longer than this, however long the pages keep coming.
inline constexpr double kLongestIncidentSeconds = 60;

// A weekly (or daily) window in which incidents are test alarms.
struct TestAlarmWindow {
    // Bit 0 Monday ... bit 6 Sunday.
    std::uint8_t days = 0x7F;
    // Minutes of the day; `to` counts with its whole minute ("bis 12:15" holds until
    // 12:15:59). from > to spans midnight.
    int from = 0;
    int to = 0;
    // When given, every unit of the incident must be among them.
    std::vector<std::string> rics;
    std::vector<std::string> codes;
};

// A regular expression with named groups; `name` takes the whole match when the
// expression has no named group.
struct FieldRule {
    std::string name;
    std::string pattern;
};

struct AlarmSettings {
    // [einsatz]
    double windowSeconds = 10;   // fenster_s
    double followSeconds = 3;    // nachlauf_s
    bool exportLine = false;     // tcp_zeile
    bool actionProgram = false;  // aktionsprogramm
    std::vector<TestAlarmWindow> testAlarms;  // [[probealarm]]
    std::vector<FieldRule> fields;            // [[feld]]
};

// The settings of `text`; each fault is a German line in `messages` (file, line, column).
// A file that is no TOML gives the defaults; a bad value or entry is left out.
AlarmSettings parseAlarmSettings(std::string_view text, std::vector<std::string>& messages);

// The file of the program folder; no file is the defaults without a message.
AlarmSettings loadAlarmSettings(const std::string& programFolder, std::vector<std::string>& messages);

}  // namespace kub
