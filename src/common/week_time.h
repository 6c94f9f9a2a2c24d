#pragma once
// Weekly time windows as users write them in "Alarmierung.toml": days like "Sa", "Mo-Fr"
// or "Mo, Mi, Fr" and times "HH:MM". The test-alarm windows and the rules' `wenn.zeit`
// read and judge them alike, so "Sa 12:00-12:15" means the same in both places.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/clock.h"

namespace kub {

// Bit 0 Monday ... bit 6 Sunday. "Sa", "Mo-Fr", "Mo, Mi, Fr", "Fr-Mo" (across the week's
// end), case ignored; nullopt when unreadable.
std::optional<std::uint8_t> parseWeekDays(std::string_view text);

// "HH:MM" as minutes of the day; nullopt when it is not a time.
std::optional<int> parseClockMinutes(std::string_view text);

// 0 Monday ... 6 Sunday.
int weekdayOf(const LocalTime& t);

// Whether `minute` of `day` lies in the window from minute `from` to the end of minute
// `to` on `days` ("bis 12:15" holds until 12:15:59). from > to spans midnight: the
// evening belongs to the day named, the morning after to the next day.
bool inWeekWindow(std::uint8_t days, int from, int to, int day, int minute);

}  // namespace kub
