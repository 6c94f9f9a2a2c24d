#include "storage/day_log.h"

#include "storage/text_file.h"

namespace kub {

std::string dayLogFileName(LogKind kind, const LocalTime& day) {
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

}  // namespace kub
