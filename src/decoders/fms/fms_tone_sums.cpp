#include "decoders/fms/fms_tone_sums.h"

#include <array>
#include <cmath>
#include <numbers>

namespace kub {

namespace {
// Both tones repeat after 147 samples at 22050 Hz: 1200 Hz makes 8 turns in them, 1800 Hz 12.
constexpr std::size_t kPeriod = 147;
constexpr double kOneTurns = 8.0;
constexpr double kZeroTurns = 12.0;

struct ToneTables {
    std::array<double, kPeriod> cosOne{}, sinOne{}, cosZero{}, sinZero{};
};

const ToneTables& toneTables() {
    static const ToneTables tables = [] {
        ToneTables t;
        for (std::size_t k = 0; k < kPeriod; ++k) {
            const double turn = 2.0 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(kPeriod);
            t.cosOne[k] = std::cos(kOneTurns * turn);
            t.sinOne[k] = std::sin(kOneTurns * turn);
            t.cosZero[k] = std::cos(kZeroTurns * turn);
            t.sinZero[k] = std::sin(kZeroTurns * turn);
        }
        return t;
    }();
    return tables;
}
}  // namespace

void FmsToneSums::fill(const double* samples, std::size_t count) {
    const ToneTables& t = toneTables();
    sums_.resize(count + 1);
    Sums s;
    sums_[0] = s;
    std::size_t phase = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double x = samples[i];
        s.oneRe += x * t.cosOne[phase];
        s.oneIm += x * t.sinOne[phase];
        s.zeroRe += x * t.cosZero[phase];
        s.zeroIm += x * t.sinZero[phase];
        sums_[i + 1] = s;
        if (++phase == kPeriod) phase = 0;
    }
}

double FmsToneSums::soft(std::size_t first, std::size_t count) const {
    const Sums& a = sums_[first];
    const Sums& b = sums_[first + count];
    const double oneRe = b.oneRe - a.oneRe, oneIm = b.oneIm - a.oneIm;
    const double zeroRe = b.zeroRe - a.zeroRe, zeroIm = b.zeroIm - a.zeroIm;
    const double one = oneRe * oneRe + oneIm * oneIm;
    const double zero = zeroRe * zeroRe + zeroIm * zeroIm;
    const double sum = one + zero;
    return sum > 0.0 ? (one - zero) / sum : 0.0;
}

}  // namespace kub
