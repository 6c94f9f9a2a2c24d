#pragma once
// The dates a dispatcher types for a range of the history: "08.12.2026" or ISO
// "2026-12-08", each optionally with a time ("08.12.2026 13:05", "2026-12-08T13:05:07"),
// in local time. A date that does not exist (31.02.) is no date.

#include <optional>
#include <string_view>

namespace kub {

struct HistoryDate {
    double seconds = 0;    // epoch seconds of its start
    bool hasTime = false;  // a time was given, not just a day
};

std::optional<HistoryDate> parseHistoryDate(std::string_view text);

// The end of a range given as "bis DATE": a bare day includes the whole of it (the next
// midnight, whatever the clocks did that night); a time is taken as it is.
double rangeEnd(const HistoryDate& date);

// Local midnight at the start of the day holding `seconds`, and the one after it.
double dayStart(double seconds);
double nextDayStart(double seconds);

}  // namespace kub
