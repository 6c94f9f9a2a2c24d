#include "export/export_line.h"

namespace kub {

std::string fmsExportLine(const std::string& kennung, int status, int tki, int direction) {
    return "##FMS#" + kennung + "#" + std::to_string(status) + "#" + std::to_string(tki) +
           std::to_string(direction) + "#+";
}

std::string zveiExportLine(const std::string& code, const std::string& name) {
    return "##ZVEI#" + code + "#" + name + "#+";
}

std::string pocsagExportLine(const std::string& ric, int function, const std::string& text) {
    return "##POC#" + ric + "#" + std::to_string(function) + "#" + text + "#+";
}

std::string incidentExportLine(const std::string& keyword, const std::string& units, const std::string& text) {
    return "##EINSATZ#" + keyword + "#" + units + "#" + text + "#+";
}

}  // namespace kub
