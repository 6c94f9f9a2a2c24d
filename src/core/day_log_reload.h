#pragma once
// Today's day logs back into the reception tables at start-up, so the tables show what
// was received before the program was started.

#include <string>

#include "common/clock.h"
#include "core/reception_window.h"
#include "storage/day_log.h"

namespace kub {

// Reads today's log of its kind into its table, each line inserted on top, so the newest
// reception ends up first as it was live. Returns the rows inserted; no file is no rows.
// Incidents have no table here: none.
int reloadDayLog(const std::string& programFolder, LogKind kind, const Clock& clock, ReceptionWindow& window);

inline int reloadFmsLog(const std::string& folder, const Clock& c, ReceptionWindow& w) {
    return reloadDayLog(folder, LogKind::Fms, c, w);
}
inline int reloadZveiLog(const std::string& folder, const Clock& c, ReceptionWindow& w) {
    return reloadDayLog(folder, LogKind::Zvei, c, w);
}
inline int reloadPocLog(const std::string& folder, const Clock& c, ReceptionWindow& w) {
    return reloadDayLog(folder, LogKind::Pocsag, c, w);
}

}  // namespace kub
