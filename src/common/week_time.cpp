#include "common/week_time.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace kub {

namespace {

// "Mo".."So", case ignored; -1 when it is none.
int dayIndex(std::string name) {
    static const std::array<const char*, 7> names = {"mo", "di", "mi", "do", "fr", "sa", "so"};
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (std::size_t i = 0; i < names.size(); ++i)
        if (name == names[i]) return static_cast<int>(i);
    return -1;
}

std::string trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return std::string(s.substr(first, s.find_last_not_of(" \t") - first + 1));
}

bool onDay(std::uint8_t days, int day) { return (days >> day) & 1u; }

}  // namespace

std::optional<std::uint8_t> parseWeekDays(std::string_view text) {
    std::uint8_t days = 0;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        const std::string item = trimmed(text.substr(at, comma - at));
        const std::size_t dash = item.find('-');
        const int first = dayIndex(trimmed(item.substr(0, dash)));
        const int last = dash == std::string::npos ? first : dayIndex(trimmed(item.substr(dash + 1)));
        if (first < 0 || last < 0) return std::nullopt;
        for (int d = first;; d = (d + 1) % 7) {
            days = static_cast<std::uint8_t>(days | (1u << d));
            if (d == last) break;
        }
        at = comma + 1;
    }
    return days;
}

std::optional<int> parseClockMinutes(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 2 || text.size() != colon + 3) return std::nullopt;
    int h = 0, m = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i == colon) continue;
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
        int& part = i < colon ? h : m;
        part = part * 10 + (text[i] - '0');
    }
    if (h > 23 || m > 59) return std::nullopt;
    return h * 60 + m;
}

int weekdayOf(const LocalTime& t) {
    // Days since 1970-01-01 (a Thursday) from the civil date.
    const int y = t.month <= 2 ? t.year - 1 : t.year;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int mp = (t.month + 9) % 12;
    const int doy = (153 * mp + 2) / 5 + t.day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long days = static_cast<long>(era) * 146097 + doe - 719468;
    return static_cast<int>(((days % 7) + 7 + 3) % 7);
}

bool inWeekWindow(std::uint8_t days, int from, int to, int day, int minute) {
    if (from <= to) return onDay(days, day) && minute >= from && minute <= to;
    return (onDay(days, day) && minute >= from) || (onDay(days, (day + 6) % 7) && minute <= to);
}

}  // namespace kub
