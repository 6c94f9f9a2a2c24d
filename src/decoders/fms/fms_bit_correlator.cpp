#include "decoders/fms/fms_bit_correlator.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kub {

namespace {
constexpr double kOneHz = 1200.0;
constexpr double kZeroHz = 1800.0;
// A bit covers 18 or 19 samples.
constexpr int kMaxBitSamples = 20;
// The preamble's 1 bits right before the sync word that take part in finding the clock.
constexpr int kPreambleBits = 4;

struct ToneTables {
    std::array<double, kMaxBitSamples> cosOne{}, sinOne{}, cosZero{}, sinZero{};
};

const ToneTables& toneTables() {
    static const ToneTables tables = [] {
        ToneTables t;
        for (int k = 0; k < kMaxBitSamples; ++k) {
            const auto i = static_cast<std::size_t>(k);
            const double one = 2.0 * std::numbers::pi * kOneHz * k / FmsBitCorrelator::kSampleRate;
            const double zero =
                2.0 * std::numbers::pi * kZeroHz * k / FmsBitCorrelator::kSampleRate;
            t.cosOne[i] = std::cos(one);
            t.sinOne[i] = std::sin(one);
            t.cosZero[i] = std::cos(zero);
            t.sinZero[i] = std::sin(zero);
        }
        return t;
    }();
    return tables;
}
}  // namespace

void FmsBitCorrelator::append(const SampleArray& block) {
    const auto at = static_cast<std::size_t>(seen_ & (kHistory - 1));
    // kHistory is a multiple of the block length: a block never wraps.
    static_assert(kHistory % kBlockFrames == 0);
    std::copy(block.begin(), block.end(), history_.begin() + static_cast<std::ptrdiff_t>(at));
    seen_ += kBlockFrames;
}

double FmsBitCorrelator::bitSoft(double start) const {
    const ToneTables& t = toneTables();
    const auto first = static_cast<std::int64_t>(std::ceil(start));
    const auto count =
        std::min(kMaxBitSamples,
                 static_cast<int>(std::ceil(start + kSamplesPerBit)) - static_cast<int>(first));
    double oneRe = 0.0, oneIm = 0.0, zeroRe = 0.0, zeroIm = 0.0;
    for (int k = 0; k < count; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const double x = sample(first + k);
        oneRe += x * t.cosOne[i];
        oneIm += x * t.sinOne[i];
        zeroRe += x * t.cosZero[i];
        zeroIm += x * t.sinZero[i];
    }
    const double one = oneRe * oneRe + oneIm * oneIm;
    const double zero = zeroRe * zeroRe + zeroIm * zeroIm;
    const double sum = one + zero;
    return sum > 0.0 ? (one - zero) / sum : 0.0;
}

bool FmsBitCorrelator::read(double near, int n, Reading& out) const {
    n = std::min(n, kMaxBits);
    const double reach = kSearchBits * kSamplesPerBit;
    const double earliest = near - reach - kPreambleBits * kSamplesPerBit;
    const double latest = near + reach + n * kSamplesPerBit + 1.0;
    if (earliest < static_cast<double>(seen_ - kHistory) || earliest < 0.0 ||
        latest > static_cast<double>(seen_))
        return false;
    // Every whole-sample start within reach; the one where the known bits agree and the
    // unknown ones are surest is the clock.
    double bestScore = -1e300;
    double bestStart = near;
    for (double start = std::ceil(near - reach); start <= near + reach; start += 1.0) {
        double score = 0.0;
        for (int k = -kPreambleBits; k < 0; ++k) score += bitSoft(start + k * kSamplesPerBit);
        for (int k = 0; k < n; ++k) {
            const double s = bitSoft(start + k * kSamplesPerBit);
            if (k < static_cast<int>(kSyncWord.size()))
                score += kSyncWord[static_cast<std::size_t>(k)] != 0 ? s : -s;
            else
                score += std::fabs(s);
        }
        if (score > bestScore) {
            bestScore = score;
            bestStart = start;
        }
    }
    for (int k = 0; k < n; ++k) {
        const auto i = static_cast<std::size_t>(k);
        out.soft[i] = bitSoft(bestStart + k * kSamplesPerBit);
        out.bits[i] = out.soft[i] > 0.0 ? 1 : 0;
    }
    out.endSample = bestStart + n * kSamplesPerBit;
    return true;
}

}  // namespace kub
