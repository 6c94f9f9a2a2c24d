#pragma once
// What a browser asks the web board's pages "Verlauf" and "Statuszeiten" for, read from
// the query string strictly: only the fields of the form, each at most once, each within
// its length and alphabet; dates that exist. Anything else is refused with a German
// message, never passed on to the store.

#include <cstddef>
#include <string>
#include <string_view>

#include "history/history_source.h"

namespace kub {

// Rows of one page of results, and how far a browser may page back.
constexpr std::size_t kHistoryPageRows = 50;
constexpr std::size_t kHistoryMaxPage = 200;
// Rows of one CSV download.
constexpr std::size_t kHistoryCsvRows = 2000;
constexpr std::size_t kHistoryMaxQueryBytes = 2048;

struct HistorySearchRequest {
    HistoryQuery query;  // limit and offset of the page asked for
    std::size_t page = 1;
    std::string error;   // German; the request is refused when set
};

// von, bis, protokoll, ric, kennung, code, text, kanal, seite ("key" is the board's own and
// passes). `csv`: the download, from the first row on, kHistoryCsvRows at most.
HistorySearchRequest parseHistorySearch(std::string_view query, bool csv);

struct StatusDayRequest {
    double from = 0;  // local midnight of the day
    double to = 0;    // the next one
    std::string kennung;
    std::string error;
};

// tag (a date; none: the day holding `now`), kennung.
StatusDayRequest parseStatusDay(std::string_view query, double now);

}  // namespace kub
