#include "decoders/fms/fms_heard_audio.h"

#include <algorithm>
#include <cmath>

namespace kub {

void FmsHeardAudio::append(const SampleArray& block) {
    const auto at = static_cast<std::size_t>(seen_ & (kHistory - 1));
    std::transform(block.begin(), block.end(), history_.begin() + static_cast<std::ptrdiff_t>(at),
                   [](double x) { return static_cast<float>(x); });
    seen_ += kBlockFrames;
}

bool FmsHeardAudio::holdsDropOut(double first, double last) const {
    const auto from = std::max<std::int64_t>({static_cast<std::int64_t>(std::floor(first)), seen_ - kHistory, 0});
    const auto to = std::min<std::int64_t>(static_cast<std::int64_t>(std::ceil(last)), seen_);
    if (to - from < kDropOutSamples) return false;
    auto x = [&](std::int64_t i) { return static_cast<double>(history_[static_cast<std::size_t>(i & (kHistory - 1))]); };
    const double count = static_cast<double>(to - from);
    double sum = 0.0;
    for (std::int64_t i = from; i < to; ++i) sum += x(i);
    const double mean = sum / count;
    double energy = 0.0;
    for (std::int64_t i = from; i < to; ++i) energy += (x(i) - mean) * (x(i) - mean);
    const double quiet = kDropOutLevel * kDropOutLevel * energy / count;
    int run = 0;
    for (std::int64_t i = from; i < to; ++i) {
        run = (x(i) - mean) * (x(i) - mean) < quiet ? run + 1 : 0;
        if (run >= kDropOutSamples) return true;
    }
    return false;
}

}  // namespace kub
