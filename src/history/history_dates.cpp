#include "history/history_dates.h"

#include <cmath>
#include <ctime>

#include "common/date_time_parse.h"

namespace kub {

std::optional<double> localSeconds(int year, int month, int day, int hour, int minute, int second) {
    if (year < 1970 || year > 9999 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour < 0 ||
        hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return std::nullopt;
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1)) return std::nullopt;
    return static_cast<double>(t);
}

std::optional<double> parseLogTime(std::string_view text) {
    if (text.size() != 19 || text[2] != '.') return std::nullopt;
    const auto p = parseDateTimeParts(text);
    if (!p || p->precision != DatePrecision::Second) return std::nullopt;
    const LocalTime& t = p->time;
    return localSeconds(t.year, t.month, t.day, t.hour, t.minute, t.second);
}

SearchDate parseSearchDate(std::string_view text, bool end) {
    SearchDate out;
    const std::string shown(text.substr(0, 40));
    // The shape first: a day the calendar lacks is told as such, not as "no date".
    const auto p = dateTimeShape(text);
    if (!p) {
        out.error = "\"" + shown + "\" ist kein Datum (TT.MM.JJJJ [HH:MM] oder JJJJ-MM-TT[THH:MM])";
        return out;
    }
    const LocalTime& t = p->time;
    const auto start = localSeconds(t.year, t.month, t.day, t.hour, t.minute, t.second);
    if (!start) {
        out.error = "Den Tag \"" + shown + "\" gibt es nicht";
        return out;
    }
    if (!end) {
        out.seconds = start;
    } else if (p->precision == DatePrecision::Day) {
        out.seconds = nextDayStart(*start);
    } else {
        out.seconds = *start + (p->precision == DatePrecision::Minute ? 60 : 1);
    }
    return out;
}

double dayStart(double seconds) {
    const std::time_t t = static_cast<std::time_t>(std::floor(seconds));
    std::tm tm{};
    localtime_r(&t, &tm);
    return localSeconds(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, 0, 0, 0).value_or(seconds);
}

double nextDayStart(double seconds) {
    const std::time_t t = static_cast<std::time_t>(std::floor(seconds));
    std::tm tm{};
    localtime_r(&t, &tm);
    tm.tm_mday += 1;
    tm.tm_hour = 0;
    tm.tm_min = 0;
    tm.tm_sec = 0;
    tm.tm_isdst = -1;
    return static_cast<double>(std::mktime(&tm));
}

}  // namespace kub
