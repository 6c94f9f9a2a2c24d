#pragma once
// The day logs of a program folder's "Logbuch" read into the history: at the first start
// (when there was no history yet) and with `kubmon verlauf --import`. A row is what the
// tables showed, so what it gives back is what the row holds: no channel (the logs do
// not keep it), a vehicle's name but not its board slot. The row itself is kept whole,
// and it is the reception's key: a log read in twice, or a reception written live and
// then read from its log, is one record.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/reception_record.h"
#include "history/history_store.h"
#include "storage/day_log.h"

namespace kub {

// The kind of a day log by its file name ("FMS-2026-3-7.txt", "zvei-…", "poc-…",
// "Einsatz-2026-03-07.txt"); nullopt for any other file.
std::optional<LogKind> dayLogKind(std::string_view fileName);

// One row of a day log as a record; nullopt when it is not a row of that kind (a time
// that is no time, a Kennung that is no Kennung, ...).
std::optional<ReceptionRecord> recordOfLogRow(LogKind kind, std::string_view row);

struct DayLogImport {
    std::size_t files = 0;
    std::size_t records = 0;   // rows read as records (written, or there already)
    std::size_t skipped = 0;   // lines that are no row of their kind
    std::string error;         // German, when the store could not be written
};

DayLogImport importDayLogs(const std::string& programFolder, HistoryStore& store);

}  // namespace kub
