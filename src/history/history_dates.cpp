#include "history/history_dates.h"

#include <cmath>
#include <ctime>

namespace kub {

namespace {

int number(std::string_view s, std::size_t at, std::size_t width) {
    if (at + width > s.size()) return -1;
    int v = 0;
    for (std::size_t i = at; i < at + width; ++i) {
        if (s[i] < '0' || s[i] > '9') return -1;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

int daysIn(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

struct Parts {
    int year = -1, month = -1, day = -1, hour = 0, minute = 0, second = 0;
    // What the text named: 0 a day, 1 a minute, 2 a second.
    int precision = 0;
    bool ok = false;
};

// The time after the date, from `at`: "HH:MM" or "HH:MM:SS".
bool timePart(std::string_view s, std::size_t at, Parts& p) {
    const std::string_view t = s.substr(at);
    if (t.size() != 5 && t.size() != 8) return false;
    if (t[2] != ':' || (t.size() == 8 && t[5] != ':')) return false;
    p.hour = number(t, 0, 2);
    p.minute = number(t, 3, 2);
    p.second = t.size() == 8 ? number(t, 6, 2) : 0;
    p.precision = t.size() == 8 ? 2 : 1;
    return p.hour >= 0 && p.minute >= 0 && p.second >= 0;
}

Parts parts(std::string_view s) {
    Parts p;
    std::size_t timeAt = 0;
    char separator = 0;
    if (s.size() >= 10 && s[2] == '.' && s[5] == '.') {
        p.day = number(s, 0, 2);
        p.month = number(s, 3, 2);
        p.year = number(s, 6, 4);
        separator = ' ';
        timeAt = 10;
    } else if (s.size() >= 10 && s[4] == '-' && s[7] == '-') {
        p.year = number(s, 0, 4);
        p.month = number(s, 5, 2);
        p.day = number(s, 8, 2);
        separator = 'T';
        timeAt = 10;
    } else {
        return p;
    }
    if (p.year < 0 || p.month < 0 || p.day < 0) return p;
    if (s.size() > timeAt) {
        const bool sep = s[timeAt] == separator || s[timeAt] == ' ';
        if (!sep || !timePart(s, timeAt + 1, p)) return p;
    }
    p.ok = true;
    return p;
}

}  // namespace

std::optional<double> localSeconds(int year, int month, int day, int hour, int minute, int second) {
    if (year < 1970 || year > 9999 || month < 1 || month > 12 || day < 1 || day > daysIn(year, month) || hour < 0 ||
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
    const Parts p = parts(text);
    if (!p.ok || p.precision != 2) return std::nullopt;
    return localSeconds(p.year, p.month, p.day, p.hour, p.minute, p.second);
}

SearchDate parseSearchDate(std::string_view text, bool end) {
    SearchDate out;
    const std::string shown(text.substr(0, 40));
    const Parts p = parts(text);
    if (!p.ok) {
        out.error = "\"" + shown + "\" ist kein Datum (TT.MM.JJJJ [HH:MM] oder JJJJ-MM-TT[THH:MM])";
        return out;
    }
    const auto start = localSeconds(p.year, p.month, p.day, p.hour, p.minute, p.second);
    if (!start) {
        out.error = "Den Tag \"" + shown + "\" gibt es nicht";
        return out;
    }
    if (!end) {
        out.seconds = start;
    } else if (p.precision == 0) {
        out.seconds = nextDayStart(*start);
    } else {
        out.seconds = *start + (p.precision == 1 ? 60 : 1);
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
