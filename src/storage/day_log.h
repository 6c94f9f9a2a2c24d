#pragma once
// The per-day reception logs in "Logbuch": one file per kind and day, one reception row
// per line, appended and closed at once so every reception is on disk immediately.

#include <string>
#include <vector>

#include "common/clock.h"

namespace kub {

enum class LogKind { Fms, Zvei, Pocsag, Einsatz };

// "FMS-2026-3-7.txt", "zvei-2026-3-7.txt", "poc-2026-3-7.txt" (no leading zeros);
// incidents "Einsatz-2026-03-07.txt".
std::string dayLogFileName(LogKind kind, const LocalTime& day);
// Full path in the program folder's "Logbuch".
std::string dayLogPath(const std::string& programFolder, LogKind kind, const LocalTime& day);

// Appends one row to today's log of its kind. False when it could not be written; the
// reception itself is handled all the same. Nothing is written without a program folder.
bool appendDayLog(const std::string& programFolder, LogKind kind, const Clock& clock,
                  const std::string& row);

// Today's rows of its kind, oldest first, each line whole, commas and all, as it was shown
// live; empty lines are skipped. A log beyond the size limit gives its newest rows. No
// file, no folder, or incidents (they have no table): none.
std::vector<std::string> readDayLogRows(const std::string& programFolder, LogKind kind, const Clock& clock);

// One FMS reception row to today's "FMS-" log.
inline bool appendFmsLog(const std::string& programFolder, const Clock& clock, const std::string& row) {
    return appendDayLog(programFolder, LogKind::Fms, clock, row);
}

// One ZVEI reception row to today's "zvei-" log.
inline bool appendZveiLog(const std::string& programFolder, const Clock& clock, const std::string& row) {
    return appendDayLog(programFolder, LogKind::Zvei, clock, row);
}

// One POCSAG reception row to today's "poc-" log.
inline bool appendPocLog(const std::string& programFolder, const Clock& clock, const std::string& row) {
    return appendDayLog(programFolder, LogKind::Pocsag, clock, row);
}

}  // namespace kub
