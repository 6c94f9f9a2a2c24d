#include "common/time_text.h"

#include <cstdio>

namespace kub {

std::string shortDateText(const LocalTime& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", t.day, t.month, t.year);
    return buf;
}

std::string timeText(const LocalTime& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return buf;
}

std::string dateTimeText(const LocalTime& t) { return shortDateText(t) + " " + timeText(t); }

std::string statusTimeText(const LocalTime& t) {
    return shortDateText(t).substr(0, 6) + " " + timeText(t).substr(0, 5);
}

}  // namespace kub
