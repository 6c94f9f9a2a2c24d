#pragma once
// A search over the stored receptions ("Verlauf.sqlite", or a district's PostgreSQL), as
// `kubmon verlauf`, the status times and the web board's pages ask it.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/reception_record.h"

namespace kub {

struct HistoryQuery {
    // Epoch seconds (as ReceptionRecord::seconds): from inclusive, to exclusive.
    std::optional<double> fromSeconds;
    std::optional<double> toSeconds;
    std::optional<RecordProtocol> protocol;
    std::string ric;
    std::string kennung;  // '*' matches any run of characters
    std::string code;
    std::string channel;
    std::string site;
    // Full-text search: every word must occur in the text. Words, never SQL.
    std::string words;
    bool oldestFirst = false;  // newest first unless set
    std::size_t limit = 100;
    std::size_t offset = 0;
};

// Records as they were stored: every field of ReceptionRecord comes back as it went in.
// May be called from any thread (the web board's server asks from its own).
class HistorySource {
public:
    virtual ~HistorySource() = default;
    virtual std::vector<ReceptionRecord> search(const HistoryQuery& query) = 0;
};

}  // namespace kub
