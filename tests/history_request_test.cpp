// What the web board's history pages accept from a browser, and what they refuse.

#include <gtest/gtest.h>

#include "support/run_process.h"
#include "web/history_request.h"

namespace {

struct SearchCase {
    const char* query;
    const char* error;  // a part of the German refusal; "" when accepted
};

TEST(HistoryRequest, SearchFieldsAreReadStrictly) {
    const SearchCase cases[] = {
        {"", ""},
        {"von=2026-12-01&bis=08.12.2026&protokoll=pocsag&text=Brand+Wohnhaus&seite=2&key=abcdefgh", ""},
        {"kennung=6234*&kanal=left&ric=&code=", ""},
        {"unsinn=1", "Unbekanntes Feld \"unsinn\""},
        {"text=a&text=b", "mehrfach"},
        {"von=31.02.2026", "\"31.02.2026\" ist kein gültiges Datum"},
        {"von=09.12.2026&bis=08.12.2026", "\"bis\" liegt vor \"von\""},
        {"protokoll=sql", "Unbekanntes Protokoll"},
        {"kennung=1%27%20OR%201%3D1", "unzulässige Zeichen"},
        {"text=%FF%FE", "unzulässige Zeichen"},
        {"seite=201", "Seite 201 gibt es nicht"},
        {"seite=0", "gibt es nicht"},
        {"ric=12345678901234567", "zu lang"},
    };
    for (const SearchCase& c : cases) {
        SCOPED_TRACE(c.query);
        const kub::HistorySearchRequest r = kub::parseHistorySearch(c.query, false);
        if (*c.error == '\0')
            EXPECT_EQ(r.error, "");
        else
            EXPECT_NE(r.error.find(c.error), std::string::npos) << r.error;
    }
    const kub::HistorySearchRequest r =
        kub::parseHistorySearch("von=01.12.2026&bis=2026-12-08&text=Brand+Wohnhaus&seite=3", false);
    EXPECT_EQ(r.query.words, "Brand Wohnhaus");
    EXPECT_EQ(*r.query.fromSeconds, kubtest::localEpoch(2026, 12, 1, 0, 0));
    EXPECT_EQ(*r.query.toSeconds, kubtest::localEpoch(2026, 12, 9, 0, 0));  // "bis" holds the whole day
    EXPECT_EQ(r.query.offset, 2 * kub::kHistoryPageRows);
    EXPECT_EQ(r.query.limit, kub::kHistoryPageRows + 1);
    EXPECT_EQ(kub::parseHistorySearch("seite=3", true).query.limit, kub::kHistoryCsvRows);
}

}  // namespace
