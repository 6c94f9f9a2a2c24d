#pragma once
// Dates as people type them at `kubmon verlauf` ("08.12.2026", "08.12.2026 14:30", ISO
// "2026-12-08", "2026-12-08T14:30") and as the day logs write them ("08.12.2026
// 14:30:05"), in local time. A date the calendar does not have (31.02.) is no date.

#include <optional>
#include <string>
#include <string_view>

namespace kub {

// Local time to epoch seconds; nullopt for a day or time that does not exist.
std::optional<double> localSeconds(int year, int month, int day, int hour, int minute, int second);

// "DD.MM.YYYY HH:MM:SS" of a day log row.
std::optional<double> parseLogTime(std::string_view text);

struct SearchDate {
    std::optional<double> seconds;
    std::string error;  // German, when there is no date
};

// The start of what the text names (the day, the minute, the second) or, with `end`,
// the first second after it: "--bis 08.12.2026" takes in the whole 8th.
SearchDate parseSearchDate(std::string_view text, bool end);

// Local midnight at the start of the day holding `seconds`, and the one after it
// (whatever the clocks did that night).
double dayStart(double seconds);
double nextDayStart(double seconds);

}  // namespace kub
