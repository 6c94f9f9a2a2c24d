#include "core/day_log_reload.h"

namespace kub {

int reloadDayLog(const std::string& programFolder, LogKind kind, const Clock& clock, ReceptionWindow& window) {
    const ReceptionTable table = kind == LogKind::Fms    ? ReceptionTable::Fms
                                 : kind == LogKind::Zvei ? ReceptionTable::Zvei
                                                         : ReceptionTable::Pocsag;
    int rows = 0;
    for (const std::string& row : readDayLogRows(programFolder, kind, clock)) {
        window.insertTableRow(table, row);
        ++rows;
    }
    return rows;
}

}  // namespace kub
