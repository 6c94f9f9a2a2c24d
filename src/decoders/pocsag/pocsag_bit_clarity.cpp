#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/wide_vectors.h"
#include "decoders/pocsag/pocsag_channel_fit.h"

namespace kub {

// What is left of each half sum once the channel's part of the bits as read is taken off is
// worked out for four bits side by side; each of them takes off the shares one by one in
// the order of the taps, so the results are the same to the last bit as one at a time.
KUB_WIDE_VECTORS double bitClarity(const ClarityStretch& s, const ChannelTaps& first, const ChannelTaps& second) {
    using Doubles = double __attribute__((vector_size(32)));
    constexpr auto room = static_cast<std::size_t>(ClarityStretch::kRoom);
    std::array<double, room> left1{}, left2{};
    for (int g = 0; g < s.count; g += 4) {
        const auto gu = static_cast<std::size_t>(g);
        Doubles e1, e2;
        std::memcpy(&e1, s.heard1.data() + gu, sizeof e1);
        std::memcpy(&e2, s.heard2.data() + gu, sizeof e2);
        for (std::size_t k = 0; k < first.size(); ++k) {
            Doubles x;
            std::memcpy(&x, s.bits.data() + kChannelTaps + gu - k, sizeof x);
            const Doubles f = {first[k], first[k], first[k], first[k]};
            const Doubles h = {second[k], second[k], second[k], second[k]};
            e1 -= f * x;
            e2 -= h * x;
        }
        std::memcpy(left1.data() + gu, &e1, sizeof e1);
        std::memcpy(left2.data() + gu, &e2, sizeof e2);
    }
    const double b = s.bits[kChannelTaps];
    double agree = 0, clean = 0, power = 0, expected = 0;
    double shares = 0;  // what random bits leave in a half sum, squared
    for (std::size_t k = 0; k < first.size(); ++k) shares += first[k] * first[k] + second[k] * second[k];
    for (int n = 0; n < s.count; ++n) {
        const auto j = static_cast<std::size_t>(n);
        power += s.heard1[j] * s.heard1[j] + s.heard2[j] * s.heard2[j];
        expected += shares;
        agree += b * (first[j] * left1[j] + second[j] * left2[j]);
        clean += first[j] * first[j] + second[j] * second[j];
    }
    // A drop-out fits any bits about as well: what is heard there must be as loud as the
    // channel makes the bits.
    const double loud = expected > 0 ? std::min(1.0, kChannelLevelShare * std::sqrt(power / expected)) : 0.0;
    const double size = clean > 0 ? std::clamp((1.0 + agree / clean) * loud, 1e-6, 1.0) : 1e-6;
    return b > 0 ? size : -size;
}

}  // namespace kub
