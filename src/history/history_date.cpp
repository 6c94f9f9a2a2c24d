#include "history/history_date.h"

#include <cmath>
#include <ctime>
#include <string>

namespace kub {

namespace {

// Reads exactly `width` digits at `pos`.
bool digits(std::string_view s, std::size_t pos, std::size_t width, int& value) {
    if (pos + width > s.size()) return false;
    value = 0;
    for (std::size_t i = pos; i < pos + width; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        value = value * 10 + (s[i] - '0');
    }
    return true;
}

// Local time to epoch seconds; none when mktime had to move a field (the day does not exist).
std::optional<double> localSeconds(int year, int month, int day, int hour, int minute, int second) {
    if (year < 1970 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 ||
        second > 59)
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
    if (t == static_cast<std::time_t>(-1) || tm.tm_mday != day || tm.tm_mon != month - 1 || tm.tm_year != year - 1900)
        return std::nullopt;
    return static_cast<double>(t);
}

}  // namespace

std::optional<HistoryDate> parseHistoryDate(std::string_view text) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    std::size_t pos = 0;
    if (digits(text, 0, 2, day) && text.size() >= 10 && text[2] == '.' && text[5] == '.' && digits(text, 3, 2, month) &&
        digits(text, 6, 4, year)) {
        pos = 10;
    } else if (digits(text, 0, 4, year) && text.size() >= 10 && text[4] == '-' && text[7] == '-' &&
               digits(text, 5, 2, month) && digits(text, 8, 2, day)) {
        pos = 10;
    } else {
        return std::nullopt;
    }
    HistoryDate date;
    if (pos < text.size()) {
        if (text[pos] != ' ' && text[pos] != 'T') return std::nullopt;
        if (!digits(text, pos + 1, 2, hour) || pos + 3 >= text.size() || text[pos + 3] != ':' ||
            !digits(text, pos + 4, 2, minute))
            return std::nullopt;
        pos += 6;
        if (pos < text.size()) {
            if (text[pos] != ':' || !digits(text, pos + 1, 2, second) || pos + 3 != text.size()) return std::nullopt;
        }
        date.hasTime = true;
    }
    const auto seconds = localSeconds(year, month, day, hour, minute, second);
    if (!seconds) return std::nullopt;
    date.seconds = *seconds;
    return date;
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

double rangeEnd(const HistoryDate& date) { return date.hasTime ? date.seconds : nextDayStart(date.seconds); }

}  // namespace kub
