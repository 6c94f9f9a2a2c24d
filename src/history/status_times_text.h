#pragma once
// The status times as the command line prints them (a table with German headings), as
// JSON (scripts, the web board's page "Statuszeiten") and as CSV (a spreadsheet; ';' as
// German spreadsheets expect, one block per vehicle summary and one per mission).

#include <string>

#include "history/status_times_report.h"

namespace kub {

// 1:02:03 — hours go on past 24.
std::string durationText(double seconds);

std::string statusTimesTable(const StatusTimesReport& report);
// `timeline`: each vehicle's stretches per status as well (for a day's page).
std::string statusTimesJson(const StatusTimesReport& report, bool timeline);
std::string statusTimesCsv(const StatusTimesReport& report);

}  // namespace kub
