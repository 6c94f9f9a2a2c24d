#pragma once
// Whether an incident falls into one of the test-alarm windows of "Alarmierung.toml".

#include <vector>

#include "core/reception_record.h"
#include "storage/alarm_settings.h"

namespace kub {

// True when the local time of `epochSeconds` is inside a window (its days, from its
// `from` minute to the end of its `to` minute) and, where the window lists RICs or codes,
// every unit is among them: a real alarm that also calls another unit is never one.
bool isTestAlarm(const std::vector<TestAlarmWindow>& windows, double epochSeconds, const std::vector<Einheit>& units);

}  // namespace kub
