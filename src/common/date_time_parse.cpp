#include "common/date_time_parse.h"

namespace kub {

namespace {

// The digits at `at`, exactly `width` of them; -1 when there are not.
int digitsAt(std::string_view s, std::size_t at, std::size_t width) {
    if (at + width > s.size()) return -1;
    int v = 0;
    for (std::size_t i = at; i < at + width; ++i) {
        if (s[i] < '0' || s[i] > '9') return -1;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

bool validDay(int year, int month, int day) {
    return month >= 1 && month <= 12 && day >= 1 && day <= daysInMonth(year, month);
}

bool validTime(const LocalTime& t) {
    return t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 && t.second >= 0 && t.second <= 59;
}

// "HH:MM" or "HH:MM:SS", and nothing after it.
bool timeOfDay(std::string_view t, DateTimeParts& p) {
    if (t.size() != 5 && t.size() != 8) return false;
    if (t[2] != ':' || (t.size() == 8 && t[5] != ':')) return false;
    p.time.hour = digitsAt(t, 0, 2);
    p.time.minute = digitsAt(t, 3, 2);
    p.time.second = t.size() == 8 ? digitsAt(t, 6, 2) : 0;
    p.precision = t.size() == 8 ? DatePrecision::Second : DatePrecision::Minute;
    return p.time.hour >= 0 && p.time.minute >= 0 && p.time.second >= 0;
}

}  // namespace

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

std::optional<DateTimeParts> parseDateTimeParts(std::string_view text) {
    const auto p = dateTimeShape(text);
    if (!p || !validDay(p->time.year, p->time.month, p->time.day) || !validTime(p->time)) return std::nullopt;
    return p;
}

std::optional<DateTimeParts> dateTimeShape(std::string_view s) {
    DateTimeParts p;
    LocalTime& t = p.time;
    char separator = 0;
    if (s.size() >= 10 && s[2] == '.' && s[5] == '.') {
        t.day = digitsAt(s, 0, 2);
        t.month = digitsAt(s, 3, 2);
        t.year = digitsAt(s, 6, 4);
        separator = ' ';
    } else if (s.size() >= 10 && s[4] == '-' && s[7] == '-') {
        t.year = digitsAt(s, 0, 4);
        t.month = digitsAt(s, 5, 2);
        t.day = digitsAt(s, 8, 2);
        separator = 'T';
    } else {
        return std::nullopt;
    }
    if (t.year < 0 || t.month < 0 || t.day < 0) return std::nullopt;
    if (s.size() > 10) {
        const bool separated = s[10] == separator || s[10] == ' ';
        if (!separated || !timeOfDay(s.substr(11), p)) return std::nullopt;
    }
    return p;
}

std::optional<LocalTime> parseStatusTimeText(std::string_view s) {
    if (s.size() != 12 || s[2] != '.' || s[5] != '.' || s[6] != ' ' || s[9] != ':') return std::nullopt;
    LocalTime t;
    t.day = digitsAt(s, 0, 2);
    t.month = digitsAt(s, 3, 2);
    t.hour = digitsAt(s, 7, 2);
    t.minute = digitsAt(s, 10, 2);
    // Any year with a 29 February: the text has no year, and the caller picks it.
    if (!validDay(2024, t.month, t.day) || !validTime(t)) return std::nullopt;
    return t;
}

}  // namespace kub
