#pragma once
// The answers of the web board's page "Verlauf": one page of found receptions as JSON
// (each record as `recordJson` writes it) and the CSV download.

#include <cstddef>
#include <string>
#include <vector>

#include "core/reception_record.h"

namespace kub {

// {"seite": n, "weiter": more pages follow, "zeilen": [records]}. `rows` may hold one row
// more than a page: it only says that another page follows.
std::string historyPageJson(const std::vector<ReceptionRecord>& rows, std::size_t page, std::size_t pageRows);
// {"fehler": "…"}
std::string historyErrorJson(const std::string& message);
// Header and one line per record, newest first as found.
std::string historyCsv(const std::vector<ReceptionRecord>& rows);

}  // namespace kub
