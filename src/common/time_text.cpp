#include "common/time_text.h"

#include <cmath>
#include <cstdio>
#include <ctime>

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

std::string isoTimeText(double epochSeconds) {
    const std::time_t t = static_cast<std::time_t>(std::floor(epochSeconds));
    std::tm tm{};
    localtime_r(&t, &tm);
    const long offset = tm.tm_gmtoff / 60;
    const int hours = static_cast<int>((offset < 0 ? -offset : offset) / 60 % 100);
    const int minutes = static_cast<int>((offset < 0 ? -offset : offset) % 60);
    char buf[96];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, offset < 0 ? '-' : '+', hours, minutes);
    return buf;
}

}  // namespace kub
