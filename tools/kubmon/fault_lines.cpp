#include "fault_lines.h"

namespace kubmon {

bool FaultLines::begin(const std::string& kind, const std::string& line) {
    if (!active_.insert(kind).second) return false;
    print_(line);
    return true;
}

bool FaultLines::end(const std::string& kind, const std::string& line) {
    if (active_.erase(kind) == 0) return false;
    print_(line);
    return true;
}

}  // namespace kubmon
