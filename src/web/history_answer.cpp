#include "web/history_answer.h"

#include <nlohmann/json.hpp>

#include "core/record_json.h"
#include "history/history_lines.h"

namespace kub {

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
    std::string out = historyCsvHeader();
    for (const ReceptionRecord& r : rows) out += historyCsvLine(r);
    return out;
}

}  // namespace kub
