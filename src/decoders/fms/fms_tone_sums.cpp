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

// Per sample of the period the four tone values a sample is multiplied by, side by side
// as the four sums take them: 1200 Hz cosine and sine, then 1800 Hz.
using Four = double __attribute__((vector_size(32)));

struct ToneTables {
    std::array<Four, kPeriod> tones{};
};

const ToneTables& toneTables() {
    static const ToneTables tables = [] {
        ToneTables t;
        for (std::size_t k = 0; k < kPeriod; ++k) {
            const double turn = 2.0 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(kPeriod);
            t.tones[k] = Four{std::cos(kOneTurns * turn), std::sin(kOneTurns * turn), std::cos(kZeroTurns * turn),
                              std::sin(kZeroTurns * turn)};
        }
        return t;
    }();
    return tables;
}

// The four running sums over `count` samples, index i + 1 holding the sums up to sample i.
// The four are added in one vector, each the same products in the same order as one by
// one; a period at a time, so that the tones' index needs no wrapping test per sample.
KUB_WIDE_VECTORS
void runningSums(const double* samples, std::size_t count, const Four* tones, double* oneRe, double* oneIm,
                 double* zeroRe, double* zeroIm) {
    Four sum{};
    for (std::size_t i = 0; i < count;) {
        const std::size_t end = std::min(count, i + kPeriod);
        for (std::size_t k = 0; i < end; ++i, ++k) {
            sum += samples[i] * tones[k];
            oneRe[i + 1] = sum[0];
            oneIm[i + 1] = sum[1];
            zeroRe[i + 1] = sum[2];
            zeroIm[i + 1] = sum[3];
        }
    }
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
    for (auto* v : {&oneRe_, &oneIm_, &zeroRe_, &zeroIm_}) v->resize(count + 1);
    oneRe_[0] = oneIm_[0] = zeroRe_[0] = zeroIm_[0] = 0.0;
    runningSums(samples, count, toneTables().tones.data(), oneRe_.data(), oneIm_.data(), zeroRe_.data(),
                zeroIm_.data());
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
