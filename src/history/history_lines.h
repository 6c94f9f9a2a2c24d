#pragma once
// Found records as text: one line per record as the tables and day logs show it, or CSV
// with a header (`csvLine`: semicolons, CR LF, as a German spreadsheet opens it). The
// command line and the web board's download write the same columns.

#include <string>

#include "core/reception_record.h"

namespace kub {

// "FMS\t<row>", "POCSAG\t<row>", …; a tone call "Tonruf\t<time>\tII\tleft"; another
// site's reception ends with "\t@<site>".
std::string historyPlainLine(const ReceptionRecord& record);

// Each with its CR LF.
std::string historyCsvHeader();
std::string historyCsvLine(const ReceptionRecord& record);

}  // namespace kub
