#pragma once
// The one-line text form of a reception that goes to other programs (TCP and local
// message): "##FMS#…#+", "##ZVEI#…#+", "##POC#…#+", "##EINSATZ#…#+", no line
// terminator.

#include <string>

namespace kub {

// ##FMS#12345678#3#00#+ — the TKI and direction digits follow each other.
std::string fmsExportLine(const std::string& kennung, int status, int tki, int direction);
// ##ZVEI#12345#Name#+
std::string zveiExportLine(const std::string& code, const std::string& name);
// ##POC#1234567#3#Text#+
std::string pocsagExportLine(const std::string& ric, int function, const std::string& text);
// ##EINSATZ#B3#1234567,1234568,25431#Text#+ — keyword, the units' RICs and codes, text.
std::string incidentExportLine(const std::string& keyword, const std::string& units, const std::string& text);

}  // namespace kub
