#include "core/test_alarm.h"

#include <algorithm>

#include "common/clock.h"

namespace kub {

namespace {

// 0 Monday ... 6 Sunday, from the civil date (days since 1970-01-01, a Thursday).
int weekday(const LocalTime& t) {
    const int y = t.month <= 2 ? t.year - 1 : t.year;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int mp = (t.month + 9) % 12;
    const int doy = (153 * mp + 2) / 5 + t.day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long days = static_cast<long>(era) * 146097 + doe - 719468;
    return static_cast<int>(((days % 7) + 7 + 3) % 7);
}

bool onDay(const TestAlarmWindow& w, int day) { return (w.days >> day) & 1u; }

bool inTime(const TestAlarmWindow& w, int day, int minute) {
    if (w.from <= w.to) return onDay(w, day) && minute >= w.from && minute <= w.to;
    // Across midnight: the evening belongs to the day named, the morning to the next.
    return (onDay(w, day) && minute >= w.from) || (onDay(w, (day + 6) % 7) && minute <= w.to);
}

bool listed(const std::vector<std::string>& list, const std::string& value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

bool unitsAllowed(const TestAlarmWindow& w, const std::vector<Einheit>& units) {
    if (w.rics.empty() && w.codes.empty()) return true;
    return !units.empty() && std::all_of(units.begin(), units.end(), [&](const Einheit& u) {
        return u.ric.empty() ? listed(w.codes, u.code) : listed(w.rics, u.ric);
    });
}

}  // namespace

bool isTestAlarm(const std::vector<TestAlarmWindow>& windows, double epochSeconds, const std::vector<Einheit>& units) {
    const LocalTime t = toLocalTime(epochSeconds);
    const int day = weekday(t);
    const int minute = t.hour * 60 + t.minute;
    return std::any_of(windows.begin(), windows.end(),
                       [&](const TestAlarmWindow& w) { return inTime(w, day, minute) && unitsAllowed(w, units); });
}

}  // namespace kub
