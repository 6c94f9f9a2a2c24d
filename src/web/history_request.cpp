#include "web/history_request.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>

#include "common/whole_number.h"
#include "history/history_dates.h"
#include "web/web_access.h"

namespace kub {

namespace {

struct Field {
    std::string_view name;
    std::size_t maxBytes;
    // Characters allowed besides letters and digits; nullptr: any text (the words).
    const char* extra;
};

constexpr std::array<Field, 10> kSearchFields{{{"von", 19, " .:-T"},
                                               {"bis", 19, " .:-T"},
                                               {"protokoll", 8, ""},
                                               {"ric", 16, ""},
                                               {"kennung", 16, "*"},
                                               {"code", 16, ""},
                                               {"text", 200, nullptr},
                                               {"kanal", 32, "-_"},
                                               {"seite", 4, ""},
                                               {"key", 128, "-._~"}}};

// Every name once and known to `fields`; empty when so, else the German reason.
template <std::size_t N>
std::string checkNames(std::string_view query, const std::array<Field, N>& fields) {
    if (query.size() > kHistoryMaxQueryBytes) return "Anfrage zu lang.";
    std::array<bool, N> seen{};
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        query.remove_prefix(amp == std::string_view::npos ? query.size() : amp + 1);
        if (pair.empty()) continue;
        const std::string_view name = pair.substr(0, pair.find('='));
        const auto it = std::find_if(fields.begin(), fields.end(), [&](const Field& f) { return f.name == name; });
        const std::string shown(name.substr(0, 32));
        if (it == fields.end()) return "Unbekanntes Feld \"" + shown + "\".";
        const std::size_t i = static_cast<std::size_t>(it - fields.begin());
        if (seen[i]) return "Feld \"" + shown + "\" mehrfach angegeben.";
        seen[i] = true;
    }
    return {};
}

bool validUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        if (n == 1 && c < 0x20) return false;
        i += n;
    }
    return true;
}

// The value of a field, checked; `error` is set when it breaks the field's rules.
template <std::size_t N>
std::string value(std::string_view query, const std::array<Field, N>& fields, std::string_view name,
                  std::string& error) {
    const Field& f = *std::find_if(fields.begin(), fields.end(), [&](const Field& x) { return x.name == name; });
    std::string v = queryValue(query, name).value_or("");
    while (!v.empty() && v.back() == ' ') v.pop_back();
    while (!v.empty() && v.front() == ' ') v.erase(v.begin());
    if (!error.empty()) return {};
    if (v.size() > f.maxBytes) {
        error = "Feld \"" + std::string(name) + "\" ist zu lang.";
        return {};
    }
    const bool ok = f.extra ? std::all_of(v.begin(), v.end(),
                                          [&](char c) {
                                              return std::isalnum(static_cast<unsigned char>(c)) ||
                                                     (c != '\0' && std::string_view(f.extra).find(c) !=
                                                                       std::string_view::npos);
                                          })
                            : validUtf8(v);
    if (!ok) {
        error = "Feld \"" + std::string(name) + "\" enthält unzulässige Zeichen.";
        return {};
    }
    return v;
}

// The start of the day (or minute) a field names, or with `end` the first second after it.
std::optional<double> date(const std::string& text, std::string_view name, bool end, std::string& error) {
    if (text.empty() || !error.empty()) return std::nullopt;
    const auto d = parseSearchDate(text, end);
    if (!d.seconds) error = "Feld \"" + std::string(name) + "\": \"" + text + "\" ist kein gültiges Datum (TT.MM.JJJJ).";
    return d.seconds;
}

}  // namespace

HistorySearchRequest parseHistorySearch(std::string_view query, bool csv) {
    HistorySearchRequest r;
    r.error = checkNames(query, kSearchFields);
    std::string& e = r.error;
    HistoryQuery& q = r.query;
    q.fromSeconds = date(value(query, kSearchFields, "von", e), "von", false, e);
    q.toSeconds = date(value(query, kSearchFields, "bis", e), "bis", true, e);
    const std::string protocol = value(query, kSearchFields, "protokoll", e);
    if (!protocol.empty()) {
        for (RecordProtocol p : {RecordProtocol::Fms, RecordProtocol::Zvei, RecordProtocol::Pocsag,
                                 RecordProtocol::Tonruf, RecordProtocol::Einsatz})
            if (protocol == protocolName(p)) q.protocol = p;
        if (!q.protocol && e.empty()) e = "Unbekanntes Protokoll \"" + protocol + "\".";
    }
    q.ric = value(query, kSearchFields, "ric", e);
    q.kennung = value(query, kSearchFields, "kennung", e);
    q.code = value(query, kSearchFields, "code", e);
    q.words = value(query, kSearchFields, "text", e);
    q.channel = value(query, kSearchFields, "kanal", e);
    const std::string page = value(query, kSearchFields, "seite", e);
    if (!page.empty() && e.empty()) {
        // Digits only: "-0" or "+1" is no page either.
        const bool digitsOnly = std::all_of(page.begin(), page.end(), [](char c) { return c >= '0' && c <= '9'; });
        const auto number = digitsOnly ? wholeNumber(page, 1, static_cast<long>(kHistoryMaxPage)) : std::nullopt;
        r.page = static_cast<std::size_t>(number.value_or(0));
        if (!number)
            e = "Seite " + page + " gibt es nicht (1 bis " + std::to_string(kHistoryMaxPage) + ").";
    }
    if (e.empty() && q.fromSeconds && q.toSeconds && *q.toSeconds <= *q.fromSeconds) e = "\"bis\" liegt vor \"von\".";
    if (csv) {
        q.offset = 0;
        q.limit = kHistoryCsvRows;
    } else {
        q.offset = (r.page - 1) * kHistoryPageRows;
        q.limit = kHistoryPageRows + 1;  // one more tells whether a next page exists
    }
    return r;
}

StatusDayRequest parseStatusDay(std::string_view query, double now) {
    static constexpr std::array<Field, 3> kFields{{{"tag", 10, ".-"}, {"kennung", 16, "*"}, {"key", 128, "-._~"}}};
    StatusDayRequest r;
    r.error = checkNames(query, kFields);
    const auto day = date(value(query, kFields, "tag", r.error), "tag", false, r.error);
    r.kennung = value(query, kFields, "kennung", r.error);
    r.from = day ? *day : dayStart(now);
    r.to = nextDayStart(r.from);
    return r;
}

}  // namespace kub
