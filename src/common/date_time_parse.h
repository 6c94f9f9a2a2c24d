#pragma once
// Dates and times as this program writes them and people type them, read back strictly:
// exact widths, digits only, and a day the calendar does not have (31.02.) is no day.
// Nothing here throws, whatever the text.

#include <optional>
#include <string_view>

#include "common/clock.h"

namespace kub {

// How much of the time of day a text named.
enum class DatePrecision { Day, Minute, Second };

struct DateTimeParts {
    LocalTime time;  // hour, minute, second 0 where the text had none
    DatePrecision precision = DatePrecision::Day;
};

// "07.12.2026", "07.12.2026 04:33", "07.12.2026 04:33:51", and ISO "2026-12-07",
// "2026-12-07T04:33", "2026-12-07T04:33:51" (a blank instead of the "T" too), naming a day
// and time that exist.
std::optional<DateTimeParts> parseDateTimeParts(std::string_view text);
// The same shapes with digits in their places, whether or not the day exists ("31.02.2026
// 25:00"): for telling someone "no such day" rather than "no date".
std::optional<DateTimeParts> dateTimeShape(std::string_view text);

// "07.12. 04:55", the minute a vehicle's status was set; the year is left 0 (the text has
// none).
std::optional<LocalTime> parseStatusTimeText(std::string_view text);

int daysInMonth(int year, int month);

}  // namespace kub
