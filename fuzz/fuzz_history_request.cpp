// What a browser sends the web board's pages "Verlauf" and "Statuszeiten": the query
// string of a search, of its CSV download and of a day's status times; and the dates
// typed into them.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "history/history_dates.h"
#include "web/history_request.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view query(reinterpret_cast<const char*>(data), size);
    for (bool csv : {false, true}) {
        const kub::HistorySearchRequest r = kub::parseHistorySearch(query, csv);
        if (!r.error.empty()) continue;
        // Whatever is asked, a store is never asked for more than a page or a download.
        if (r.query.limit > (csv ? kub::kHistoryCsvRows : kub::kHistoryPageRows + 1)) std::abort();
        if (r.query.offset > (kub::kHistoryMaxPage - 1) * kub::kHistoryPageRows) std::abort();
        if (r.query.words.size() > 200 || r.query.kennung.size() > 16 || r.query.ric.size() > 16) std::abort();
        if (r.query.fromSeconds && r.query.toSeconds && *r.query.toSeconds <= *r.query.fromSeconds) std::abort();
    }
    const kub::StatusDayRequest day = kub::parseStatusDay(query, 1765152000.0);
    if (day.error.empty() && !(day.to > day.from && day.to - day.from <= 25 * 3600)) std::abort();
    const auto start = kub::parseSearchDate(query, false);
    const auto end = kub::parseSearchDate(query, true);
    if (start.seconds.has_value() != end.seconds.has_value()) std::abort();
    if (start.seconds && !(*end.seconds > *start.seconds)) std::abort();
    return 0;
}
