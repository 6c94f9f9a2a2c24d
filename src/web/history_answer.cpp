#include "web/history_answer.h"

#include <nlohmann/json.hpp>

#include "common/csv_line.h"
#include "core/record_json.h"

namespace kub {

namespace {

std::string number(int n) { return n < 0 ? std::string() : std::to_string(n); }

}  // namespace

std::string historyPageJson(const std::vector<ReceptionRecord>& rows, std::size_t page, std::size_t pageRows) {
    std::string out = "{\"seite\":" + std::to_string(page) + ",\"weiter\":" + (rows.size() > pageRows ? "true" : "false") +
                      ",\"zeilen\":[";
    for (std::size_t i = 0; i < rows.size() && i < pageRows; ++i) {
        if (i) out += ',';
        out += recordJson(rows[i]);
    }
    return out + "]}";
}

std::string historyErrorJson(const std::string& message) {
    return nlohmann::json{{"fehler", message}}.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string historyCsv(const std::vector<ReceptionRecord>& rows) {
    std::string out = csvLine({"Zeit", "Protokoll", "Kanal", "Standort", "Kennung", "Rufname", "Status", "RIC",
                               "Funktion", "Code", "Name", "Text"});
    for (const ReceptionRecord& r : rows)
        out += csvLine({r.time, protocolName(r.protocol), r.channel, r.site, r.kennung, r.vehicle, number(r.status),
                        r.ric, number(r.function), r.code, r.name, r.text});
    return out;
}

}  // namespace kub
