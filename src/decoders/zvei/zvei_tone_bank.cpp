#include "decoders/zvei/zvei_tone_bank.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <utility>

#include "common/sample_block.h"
#include "common/wide_vectors.h"

namespace kub {

namespace {

constexpr double kRate = kSampleRate;
constexpr int kBlock = 2 * ZveiToneBank::kHalfBlock;
// Share of the block's energy the strongest bin and its stronger neighbour must hold: a
// clean tone holds about 0.8 to 1, a tone at 0 dB SNR still about 0.4, white noise
// about 0.02.
constexpr double kMinShare = 0.2;
// The strongest pair of neighbouring bins against every bin beyond their skirts (a clean
// tone: about 50 times).
constexpr double kDominance = 6.0;

}  // namespace

ZveiToneBank::ZveiToneBank() {
    for (int i = 0; i < kBins; ++i) {
        const double w = 2.0 * std::numbers::pi * (kFirstBin + i) / kBlock;
        coef_[static_cast<std::size_t>(i)] = static_cast<float>(2.0 * std::cos(w));
        cosW_[static_cast<std::size_t>(i)] = static_cast<float>(std::cos(w));
        sinW_[static_cast<std::size_t>(i)] = static_cast<float>(std::sin(w));
    }
}

KUB_WIDE_VECTORS void ZveiToneBank::add(const double* samples, int count) {
    // The filter state in locals, so that it can stay in registers over the run.
    using Lanes = float __attribute__((vector_size(kLanes * sizeof(float))));
    static_assert(kLanes == 8);
    Lanes s1[kGroups];
    Lanes s2[kGroups];
    Lanes coef[kGroups];
    std::memcpy(s1, s1_.data(), sizeof s1);
    std::memcpy(s2, s2_.data(), sizeof s2);
    std::memcpy(coef, coef_.data(), sizeof coef);
    double energy = energy_;
    double sum = sum_;
    // One sample into every bin. Each bin waits for its own last value; only the product
    // with it and one addition lie on that path, the difference is ready beforehand. The
    // new value goes where the oldest was, so two steps in turn need no moves.
    const auto step = [&](double x, Lanes* last, Lanes* older) {
        energy += x * x;
        sum += x;
        const auto f = static_cast<float>(x);
        const Lanes xf = {f, f, f, f, f, f, f, f};
        for (int g = 0; g < kGroups; ++g) older[g] = (xf - older[g]) + coef[g] * last[g];
    };
    int n = 0;
    for (; n + 1 < count; n += 2) {
        step(samples[n], s1, s2);
        step(samples[n + 1], s2, s1);
    }
    if (n < count) {
        step(samples[n], s1, s2);
        std::swap(s1, s2);
    }
    std::memcpy(s1_.data(), s1, sizeof s1);
    std::memcpy(s2_.data(), s2, sizeof s2);
    energy_ = energy;
    sum_ = sum;
    filled_ += count;
}

void ZveiToneBank::restart() {
    s1_.fill(0);
    s2_.fill(0);
    energy_ = 0;
    sum_ = 0;
    filled_ = 0;
    half_ = Half::First;
}

void ZveiToneBank::finishFirstHalf() {
    if (filled_ != kHalfBlock || half_ != Half::First) {
        restart();
        return;
    }
    for (std::size_t i = 0; i < kBins; ++i) {
        firstRe_[i] = s1_[i] - cosW_[i] * s2_[i];
        firstIm_[i] = sinW_[i] * s2_[i];
    }
    s1_.fill(0);
    s2_.fill(0);
    filled_ = 0;
    half_ = Half::Second;
}

double ZveiToneBank::finishBlock() {
    if (filled_ != kHalfBlock || half_ != Half::Second) {
        restart();
        return 0;
    }
    // Both halves as coefficients relative to their own start; the whole block's
    // coefficient is the first plus the second turned back by 100 samples, which for bin k
    // of a 200-sample block is a factor (-1)^k.
    std::array<double, kBins> power{};
    std::array<double, kBins> re2{};
    std::array<double, kBins> im2{};
    // The strongest bin (the first of equals) is followed by selecting, not branching: in
    // noise which bin leads is a toss-up at every bin.
    std::size_t best = 0;
    double bestPower = 0;
    for (std::size_t i = 0; i < kBins; ++i) {
        re2[i] = s1_[i] - cosW_[i] * s2_[i];
        im2[i] = sinW_[i] * s2_[i];
        const double sign = ((kFirstBin + static_cast<int>(i)) % 2) ? -1.0 : 1.0;
        const double re = firstRe_[i] + sign * re2[i];
        const double im = firstIm_[i] + sign * im2[i];
        power[i] = re * re + im * im;
        const bool stronger = i == 0 || power[i] > bestPower;
        best = stronger ? i : best;
        bestPower = stronger ? power[i] : bestPower;
    }
    const double energy = energy_ - sum_ * sum_ / kBlock;
    s1_.fill(0);
    s2_.fill(0);
    energy_ = 0;
    sum_ = 0;
    filled_ = 0;
    half_ = Half::First;

    if (energy <= 0) return 0;
    // A tone between two bins shares itself between them; the pair is the tone.
    std::size_t pair = best;
    if (best > 0) pair = best - 1;
    if (best + 1 < kBins && (pair == best || power[best + 1] > power[pair])) pair = best + 1;
    const double tone = power[best] + (pair != best ? power[pair] : 0.0);
    if (2.0 * tone < kMinShare * kBlock * energy) return 0;
    // Every bin beyond the pair's own skirts must stay well below it.
    const std::size_t lo = std::min(best, pair);
    const std::size_t hi = std::max(best, pair);
    for (std::size_t i = 0; i < kBins; ++i) {
        if (i + 1 >= lo && i <= hi + 1) continue;
        if (kDominance * power[i] > tone) return 0;
    }

    // Phase advance of the tone over 100 samples, seen alike by both bins of the pair and
    // taken from both, weighted by their strength; less what the strongest bin's own
    // frequency advances (k × pi).
    double cr = 0;
    double ci = 0;
    for (const std::size_t i : {best, pair}) {
        cr += re2[i] * firstRe_[i] + im2[i] * firstIm_[i];
        ci += im2[i] * firstRe_[i] - re2[i] * firstIm_[i];
        if (pair == best) break;
    }
    const int k = kFirstBin + static_cast<int>(best);
    double delta = std::atan2(ci, cr) - ((k % 2) ? std::numbers::pi : 0.0);
    if (delta > std::numbers::pi) delta -= 2.0 * std::numbers::pi;
    if (delta <= -std::numbers::pi) delta += 2.0 * std::numbers::pi;
    return (k + delta * kBlock / (2.0 * std::numbers::pi * kHalfBlock)) * (kRate / kBlock);
}

}  // namespace kub
