#include "storage/poc_log.h"

#include "storage/day_log.h"

namespace kub {

bool appendPocLog(const std::string& programFolder, const Clock& clock, const std::string& line) {
    return appendDayLog(programFolder, LogKind::Pocsag, clock, line);
}

}  // namespace kub
