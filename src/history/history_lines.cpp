#include "history/history_lines.h"

#include <vector>

#include "common/csv_line.h"
#include "common/time_text.h"

namespace kub {

namespace {

const char* label(RecordProtocol p) {
    switch (p) {
        case RecordProtocol::Fms: return "FMS";
        case RecordProtocol::Zvei: return "ZVEI";
        case RecordProtocol::Pocsag: return "POCSAG";
        case RecordProtocol::Tonruf: return "Tonruf";
        case RecordProtocol::Einsatz: return "Einsatz";
    }
    return "";
}

std::string number(int v) { return v < 0 ? std::string() : std::to_string(v); }

}  // namespace

std::string historyPlainLine(const ReceptionRecord& r) {
    std::string line = label(r.protocol);
    line.append(1, '\t');
    if (!r.row.empty()) {
        line.append(r.row);
    } else {
        line.append(dateTimeText(toLocalTime(r.seconds))).append(1, '\t').append(r.tone).append(1, '\t').append(r.channel);
    }
    if (!r.site.empty()) line.append("\t@").append(r.site);
    return line;
}

std::string historyCsvHeader() {
    return csvLine({"Zeit", "Protokoll", "Kanal", "Standort", "Kennung", "Status", "TKI", "Richtung", "Fahrzeug", "Code",
                    "RIC", "Funktion", "Name", "Ton", "Text"});
}

std::string historyCsvLine(const ReceptionRecord& r) {
    const std::vector<std::string> cells = {dateTimeText(toLocalTime(r.seconds)),
                                            label(r.protocol),
                                            r.channel,
                                            r.site,
                                            r.kennung,
                                            number(r.status),
                                            number(r.tki),
                                            number(r.direction),
                                            r.vehicle,
                                            r.code,
                                            r.ric,
                                            number(r.function),
                                            r.name,
                                            r.tone,
                                            r.text};
    return csvLine(cells);
}

}  // namespace kub
