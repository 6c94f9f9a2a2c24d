#include "web/housekeeping.h"

#include "common/date_time_parse.h"

namespace kub {

namespace {

// Days since 1970-01-01 of a calendar date (proleptic Gregorian).
long daysFromCivil(int y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

long minuteIndex(const LocalTime& t) {
    return daysFromCivil(t.year, t.month, t.day) * 1440L + t.hour * 60L + t.minute;
}

}  // namespace

std::optional<LocalTime> parseDateTimeText(const std::string& text) {
    // Blanks around the cell are the list's padding, not part of the date.
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return std::nullopt;
    const std::size_t last = text.find_last_not_of(' ');
    const auto parts = parseDateTimeParts(std::string_view(text).substr(first, last - first + 1));
    if (!parts) return std::nullopt;
    return parts->time;
}

long minuteBoundariesBetween(const LocalTime& from, const LocalTime& to) {
    return minuteIndex(to) - minuteIndex(from);
}

void ageAlertLists(ReceptionWindow& window, const LocalTime& now) {
    for (AlertList list : {AlertList::List1, AlertList::List2, AlertList::List3}) {
        // An emergency call (status 0, List3) waits for someone to acknowledge it, however
        // long that takes: aging it out would hide it from the dispatcher unseen.
        const bool ages = list != AlertList::List3;
        // From the end, so that a removal does not move an unexamined entry past the
        // loop: every old entry goes in the same pass.
        for (int i = ages ? window.alertLineCount(list) - 1 : -1; i >= 0; --i) {
            const std::string line = window.alertLine(list, i);
            const std::size_t tab = line.find('\t');
            if (tab == std::string::npos) continue;
            const std::size_t next = line.find('\t', tab + 1);
            const auto date = parseDateTimeText(line.substr(tab + 1, next == std::string::npos ? std::string::npos : next - tab - 1));
            if (date && minuteBoundariesBetween(*date, now) > 4) window.removeAlertLine(list, i);
        }
        if (window.alertLineCount(list) == 0) window.setAlertListColour(list, static_cast<std::uint32_t>(kLightGrey));
    }
}

void Housekeeping::pass() {
    if (running_) return;
    running_ = true;
    ageAlertLists(window_, clock_.now());
    // Taken before writing: a reception that arrives while the page is written or
    // uploaded marks it again and is on the next page instead of being forgotten.
    if (settings_.htmlExport && pageChange_.takePageChanged()) {
        if (hooks_.writeStatusPage) hooks_.writeStatusPage();
        if (hooks_.uploadStatusPage) hooks_.uploadStatusPage();
    }
    running_ = false;
}

}  // namespace kub
