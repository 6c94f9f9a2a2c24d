#pragma once
// Today's POCSAG log, "Logbuch/poc-<year>-<month>-<day>.txt".

#include <string>

#include "common/clock.h"

namespace kub {

// Appends one reception row (RIC, function, name, time, text, TAB-separated).
bool appendPocLog(const std::string& programFolder, const Clock& clock, const std::string& line);

}  // namespace kub
