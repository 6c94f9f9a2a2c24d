#include "decoders/fms/fms_tone_sums.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>

#include "common/wide_vectors.h"

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

// The decisions of `bits` bits of `length` samples from running sums; one loop with
// nothing carried from bit to bit, so it runs several bits per instruction.
KUB_WIDE_VECTORS
void decideBits(const double* oneRe, const double* oneIm, const double* zeroRe, const double* zeroIm,
                std::size_t length, std::size_t bits, double* out) {
    for (std::size_t p = 0; p < bits; ++p) {
        const double a = oneRe[p + length] - oneRe[p], b = oneIm[p + length] - oneIm[p];
        const double c = zeroRe[p + length] - zeroRe[p], d = zeroIm[p + length] - zeroIm[p];
        const double one = a * a + b * b;
        const double zero = c * c + d * d;
        const double sum = one + zero;
        // Silence has no energy in either tone: its 0 comes from dividing by the least
        // number above zero instead, below which no other sum can lie; without a branch.
        out[p] = (one - zero) / std::max(sum, std::numeric_limits<double>::denorm_min());
    }
}
}  // namespace

void FmsToneSums::fill(const double* samples, std::size_t count) {
    const ToneTables& t = toneTables();
    for (auto* v : {&oneRe_, &oneIm_, &zeroRe_, &zeroIm_}) v->resize(count + 1);
    double oneRe = 0, oneIm = 0, zeroRe = 0, zeroIm = 0;
    oneRe_[0] = oneIm_[0] = zeroRe_[0] = zeroIm_[0] = 0.0;
    std::size_t phase = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double x = samples[i];
        oneRe += x * t.cosOne[phase];
        oneIm += x * t.sinOne[phase];
        zeroRe += x * t.cosZero[phase];
        zeroIm += x * t.sinZero[phase];
        oneRe_[i + 1] = oneRe;
        oneIm_[i + 1] = oneIm;
        zeroRe_[i + 1] = zeroRe;
        zeroIm_[i + 1] = zeroIm;
        if (++phase == kPeriod) phase = 0;
    }
    decide(kShortBit, shortBits_);
    decide(kLongBit, longBits_);
}

void FmsToneSums::decide(std::size_t length, std::vector<double>& out) const {
    const std::size_t samples = oneRe_.size() - 1;
    const std::size_t bits = samples >= length ? samples - length + 1 : 0;
    out.resize(bits);
    decideBits(oneRe_.data(), oneIm_.data(), zeroRe_.data(), zeroIm_.data(), length, bits, out.data());
}

}  // namespace kub
