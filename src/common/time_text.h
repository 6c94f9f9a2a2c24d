#pragma once
// The German date and time texts shown in rows, logs, alert lines and pages. They are
// fixed whatever the machine's locale, so that logs written anywhere read the same.

#include <string>

#include "common/clock.h"

namespace kub {

// 07.12.2026 04:33:51
std::string dateTimeText(const LocalTime& t);
// 07.12.2026
std::string shortDateText(const LocalTime& t);
// 04:33:51
std::string timeText(const LocalTime& t);
// 07.12. 04:55 — the time a vehicle's status was set.
std::string statusTimeText(const LocalTime& t);
// 2026-12-07T04:33:51+01:00 — local time with its offset, for scripts and other machines.
std::string isoTimeText(double epochSeconds);

}  // namespace kub
