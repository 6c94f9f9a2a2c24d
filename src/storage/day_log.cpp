#include "storage/day_log.h"

#include <cstdio>
#include <utility>

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

std::vector<std::string> readDayLogRows(const std::string& programFolder, LogKind kind, const Clock& clock) {
    std::vector<std::string> rows;
    if (programFolder.empty() || kind == LogKind::Einsatz) return rows;
    // The whole line: a pager text is cut at no comma ("Brand, Hauptstr. 5").
    // A log beyond the size limit gives its newest rows, the ones the table keeps.
    auto items = readTextLines(dayLogPath(programFolder, kind, clock.now()), Oversize::KeepEnd);
    if (!items) return rows;
    for (auto& item : *items)
        if (!item.empty()) rows.push_back(std::move(item));
    return rows;
}

}  // namespace kub
