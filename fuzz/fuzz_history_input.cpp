// What reaches the history from outside: dates typed at `kubmon verlauf` or read from
// status files, search words, day log rows and file names read in by the import, and
// "Verlauf.toml". The first byte picks which.

#include <cstdint>
#include <string>
#include <vector>

#include "common/date_time_parse.h"
#include "history/day_log_import.h"
#include "history/history_dates.h"
#include "history/history_settings.h"
#include "history/history_sql.h"
#include "history/stored_record.h"
#include "storage/text_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (data[0] % 6) {
        case 0:
            kub::parseSearchDate(text, false);
            kub::parseSearchDate(text, true);
            kub::parseLogTime(text);
            // The minute of a vehicle's status, as its file holds it.
            kub::parseStatusTimeText(text);
            break;
        case 1: {
            kub::HistoryQuery q;
            q.words = text;
            q.kennung = text;
            kub::searchSql(q, kub::SqlDialect::Sqlite);
            kub::searchSql(q, kub::SqlDialect::Postgres);
            break;
        }
        case 2: {
            // As the import reads a line: Windows-1252 bytes made UTF-8.
            const std::string row = kub::cp1252ToUtf8(text);
            for (auto kind : {kub::LogKind::Fms, kub::LogKind::Zvei, kub::LogKind::Pocsag, kub::LogKind::Einsatz})
                if (const auto r = kub::recordOfLogRow(kind, row)) {
                    // What the import writes is read back whole.
                    const auto back = kub::readStoredRecord(kub::storedRecordJson(*r));
                    if (!back || back->row != r->row) __builtin_trap();
                }
            break;
        }
        case 3:
            kub::dayLogKind(text);
            break;
        case 4: {
            std::vector<std::string> messages;
            kub::parseHistorySettings(text, messages);
            // Written back by the window: what it set reads back, whatever the file held.
            kub::HistorySettings set;
            set.retentionDays = 7;
            const std::string written = kub::withHistorySettings(text, set);
            std::vector<std::string> again;
            if (kub::parseHistorySettings(written, again).retentionDays != 7 && again.empty()) __builtin_trap();
            break;
        }
        default:
            kub::readStoredRecord(text);
            break;
    }
    return 0;
}
