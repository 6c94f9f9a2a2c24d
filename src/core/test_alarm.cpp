#include "core/test_alarm.h"

#include <algorithm>

#include "common/clock.h"
#include "common/week_time.h"

namespace kub {

namespace {

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
    const int day = weekdayOf(t);
    const int minute = t.hour * 60 + t.minute;
    return std::any_of(windows.begin(), windows.end(),
                       [&](const TestAlarmWindow& w) {
                           return inWeekWindow(w.days, w.from, w.to, day, minute) && unitsAllowed(w, units);
                       });
}

}  // namespace kub
