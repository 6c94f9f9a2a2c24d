#include "common/write_faults.h"

#include <algorithm>

namespace kub {

std::optional<WriteFaults::News> WriteFaults::written(const std::string& kind, bool ok,
                                                      const std::string& message) {
    const auto it = std::find_if(failing_.begin(), failing_.end(),
                                 [&](const auto& f) { return f.first == kind; });
    if (!ok) {
        if (it != failing_.end()) return std::nullopt;
        failing_.emplace_back(kind, message);
        if (failing_.size() > 1) return std::nullopt;
        return News{false, message};
    }
    if (it == failing_.end()) return std::nullopt;
    failing_.erase(it);
    // While any file still fails the fault stays shown as it was first told; files
    // recovering one by one as the disk empties would otherwise make a message each.
    if (failing_.empty()) return News{true, {}};
    return std::nullopt;
}

}  // namespace kub
