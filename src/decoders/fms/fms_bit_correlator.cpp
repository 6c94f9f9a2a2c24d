#include "decoders/fms/fms_bit_correlator.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace kub {

namespace {
constexpr double kOneHz = 1200.0;
constexpr double kZeroHz = 1800.0;
// A bit covers 18 or 19 samples.
constexpr int kMaxBitSamples = 20;
// The preamble's 1 bits right before the sync word that take part in finding the clock.
constexpr int kPreambleBits = 4;
// Echo gains tried, and how much better per bit a reading through an echo remover must
// fit than the one as heard.
constexpr std::array<double, 3> kEchoGains = {0.3, 0.5, 0.7};
constexpr double kEchoMargin = 0.01;

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

double FmsBitCorrelator::bitSoft(const Stretch& audio, double start) {
    const ToneTables& t = toneTables();
    const auto first = static_cast<std::int64_t>(std::ceil(start));
    const auto count =
        std::min(kMaxBitSamples,
                 static_cast<int>(std::ceil(start + kSamplesPerBit)) - static_cast<int>(first));
    double oneRe = 0.0, oneIm = 0.0, zeroRe = 0.0, zeroIm = 0.0;
    for (int k = 0; k < count; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const double x = audio.at(first + k);
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

std::unique_ptr<FmsBitCorrelator::Stretch> FmsBitCorrelator::heardStretch(double near, int n) const {
    const double reach = kSearchBits * kSamplesPerBit;
    const double earliest = near - reach - kPreambleBits * kSamplesPerBit;
    const double latest = near + reach + n * kSamplesPerBit + 1.0;
    if (earliest < static_cast<double>(seen_ - kHistory) || earliest < 0.0 ||
        latest > static_cast<double>(seen_))
        return nullptr;
    auto heard = std::make_unique<Stretch>();
    heard->first = std::max<std::int64_t>(
        {static_cast<std::int64_t>(std::floor(earliest)) - kEchoLeadIn, seen_ - kHistory, 0});
    heard->count = std::min<std::int64_t>(static_cast<std::int64_t>(std::ceil(latest)) + 1 - heard->first, kHistory);
    for (std::int64_t i = 0; i < heard->count; ++i)
        heard->samples[static_cast<std::size_t>(i)] = sample(heard->first + i);
    return heard;
}

bool FmsBitCorrelator::read(double near, int n, Reading& out) const {
    n = std::min(n, kMaxBits);
    const auto heard = heardStretch(near, n);
    if (!heard) return false;
    readFrom(*heard, near, n, out);
    return true;
}

bool FmsBitCorrelator::readThroughEcho(double near, int n, Reading& out) const {
    n = std::min(n, kMaxBits);
    const auto heard = heardStretch(near, n);
    if (!heard) return false;
    // The stretch as it would be without an echo of gain g, d samples late:
    // x[i] = y[i] - g x[i - d]. The echo of a bit lies over the bits a few later and
    // turns their tone energies; the removal whose clock, sync word and decisions fit
    // clearly better than the audio as heard is taken.
    Reading trial;
    double best = readFrom(*heard, near, n, trial) + kEchoMargin * n;
    bool found = false;
    auto clean = std::make_unique<Stretch>();
    clean->first = heard->first;
    clean->count = heard->count;
    for (const double gain : kEchoGains)
        for (int d = kMinEchoDelay; d <= kMaxEchoDelay; ++d) {
            for (std::int64_t i = 0; i < heard->count; ++i) {
                const auto k = static_cast<std::size_t>(i);
                const double echo = i >= d ? gain * clean->samples[k - static_cast<std::size_t>(d)] : 0.0;
                clean->samples[k] = heard->samples[k] - echo;
            }
            const double score = readFrom(*clean, near, n, trial);
            if (score > best) {
                best = score;
                out = trial;
                found = true;
            }
        }
    return found;
}

bool FmsBitCorrelator::holdsDropOut(double near, int n) const {
    const auto first = std::max<std::int64_t>(static_cast<std::int64_t>(std::floor(near)), seen_ - kHistory);
    const auto last = std::min<std::int64_t>(static_cast<std::int64_t>(std::ceil(near + n * kSamplesPerBit)), seen_);
    if (last - first < kDropOutSamples) return false;
    double energy = 0.0;
    for (std::int64_t i = first; i < last; ++i) energy += sample(i) * sample(i);
    const double quiet = kDropOutLevel * kDropOutLevel * energy / static_cast<double>(last - first);
    int run = 0;
    for (std::int64_t i = first; i < last; ++i) {
        run = sample(i) * sample(i) < quiet ? run + 1 : 0;
        if (run >= kDropOutSamples) return true;
    }
    return false;
}

double FmsBitCorrelator::readFrom(const Stretch& audio, double near, int n, Reading& out) {
    const double reach = kSearchBits * kSamplesPerBit;
    // Every whole-sample start within reach; the one where the known bits agree and the
    // unknown ones are surest is the clock.
    double bestScore = -1e300;
    double bestStart = near;
    for (double start = std::ceil(near - reach); start <= near + reach; start += 1.0) {
        double score = 0.0;
        for (int k = -kPreambleBits; k < 0; ++k) score += bitSoft(audio, start + k * kSamplesPerBit);
        for (int k = 0; k < n; ++k) {
            const double s = bitSoft(audio, start + k * kSamplesPerBit);
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
        out.soft[i] = bitSoft(audio, bestStart + k * kSamplesPerBit);
        out.bits[i] = out.soft[i] > 0.0 ? 1 : 0;
    }
    out.endSample = bestStart + n * kSamplesPerBit;
    return bestScore;
}

}  // namespace kub
