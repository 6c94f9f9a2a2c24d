#include "siggen/dropouts.h"

#include <algorithm>
#include <cstddef>

namespace siggen {

void addDropOuts(std::vector<float>& x, double ms, double periodSeconds) {
    constexpr double kRate = 22050.0;
    const auto length = static_cast<std::size_t>(ms / 1000.0 * kRate);
    const auto period = static_cast<std::size_t>(periodSeconds * kRate);
    if (period == 0) return;
    for (std::size_t at = period; at < x.size(); at += period)
        std::fill(x.begin() + static_cast<std::ptrdiff_t>(at),
                  x.begin() + static_cast<std::ptrdiff_t>(std::min(at + length, x.size())), 0.0f);
}

}  // namespace siggen
