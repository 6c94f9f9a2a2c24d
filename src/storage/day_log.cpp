#include "storage/day_log.h"

#include <cstdio>

#include "storage/text_file.h"

namespace kub {

std::string dayLogFileName(LogKind kind, const LocalTime& day) {
    if (kind == LogKind::Einsatz) {
        char name[40];
        std::snprintf(name, sizeof name, "Einsatz-%04d-%02d-%02d.txt", day.year, day.month, day.day);
        return name;
    }
    const char* prefix = kind == LogKind::Fms ? "FMS-" : kind == LogKind::Zvei ? "zvei-" : "poc-";
    return prefix + std::to_string(day.year) + "-" + std::to_string(day.month) + "-" +
           std::to_string(day.day) + ".txt";
}

std::string dayLogPath(const std::string& programFolder, LogKind kind, const LocalTime& day) {
    return programFolder + "/Logbuch/" + dayLogFileName(kind, day);
}

bool appendDayLog(const std::string& programFolder, LogKind kind, const Clock& clock,
                  const std::string& row) {
    if (programFolder.empty()) return true;
    return appendTextLine(dayLogPath(programFolder, kind, clock.now()), row);
}

int reloadDayLog(const std::string& programFolder, LogKind kind, const Clock& clock,
                 ReceptionWindow& window) {
    if (programFolder.empty() || kind == LogKind::Einsatz) return 0;
    // The whole line: a pager text is cut at no comma ("Brand, Hauptstr. 5").
    auto items = readTextLines(dayLogPath(programFolder, kind, clock.now()));
    if (!items) return 0;
    const ReceptionTable table = kind == LogKind::Fms    ? ReceptionTable::Fms
                                 : kind == LogKind::Zvei ? ReceptionTable::Zvei
                                                         : ReceptionTable::Pocsag;
    int rows = 0;
    for (const auto& item : *items) {
        if (item.empty()) continue;
        window.insertTableRow(table, item);
        ++rows;
    }
    return rows;
}

}  // namespace kub
