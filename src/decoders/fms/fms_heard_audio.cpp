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

std::optional<FmsHeardAudio::Span> FmsHeardAudio::dropOut(double first, double last) const {
    const auto from = std::max<std::int64_t>({static_cast<std::int64_t>(std::floor(first)), seen_ - kHistory, 0});
    const auto to = std::min<std::int64_t>(static_cast<std::int64_t>(std::ceil(last)), seen_);
    if (to - from < kDropOutSamples) return std::nullopt;
    auto x = [&](std::int64_t i) { return static_cast<double>(history_[static_cast<std::size_t>(i & (kHistory - 1))]); };
    const double count = static_cast<double>(to - from);
    double sum = 0.0;
    for (std::int64_t i = from; i < to; ++i) sum += x(i);
    const double mean = sum / count;
    double energy = 0.0;
    for (std::int64_t i = from; i < to; ++i) energy += (x(i) - mean) * (x(i) - mean);
    const double quiet = kDropOutLevel * kDropOutLevel * energy / count;
    std::optional<Span> found;
    int run = 0;
    for (std::int64_t i = from; i <= to; ++i) {
        if (i < to && (x(i) - mean) * (x(i) - mean) < quiet) {
            ++run;
            continue;
        }
        if (run >= kDropOutSamples) {
            if (!found) found = Span{i - run, i};
            found->to = i;
        }
        run = 0;
    }
    return found;
}

}  // namespace kub
