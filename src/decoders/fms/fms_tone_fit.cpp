#include "decoders/fms/fms_tone_fit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "common/wide_vectors.h"

namespace kub {

namespace {

constexpr double kSampleRate = 22050.0;
constexpr double kSamplesPerBit = kSampleRate / 1200.0;
// The echoes tried, in samples behind the direct signal (as the correlator's echo search).
constexpr int kMinEchoDelay = 10;
constexpr int kMaxEchoDelay = 110;

// The filter's ringing from the tones' start dies away within this many samples.
constexpr int kSettleSamples = 400;

// The clock is tried this far before and behind the one given, in samples, first in
// coarse steps, then in fine ones either side of the best.
constexpr int kEarliest = 30;
constexpr int kLatest = 10;
constexpr int kCoarseStep = 2;
constexpr double kFineStep = 0.3;
constexpr int kFineSteps = 5;

// Fewer bits leave too little behind the sync word, in every clock tried, to judge by.
constexpr int kMinBits = 16;

// The direct tones: the cosine and sine of each tone where it is sent, zero elsewhere.
constexpr int kTones = 4;
// With an echo, the same four delayed.
constexpr int kMaxTerms = 2 * kTones;

using Matrix = std::array<std::array<double, kMaxTerms>, kMaxTerms>;
using Vector = std::array<double, kMaxTerms>;

// Solves the normal equations g a = h of the first `terms` unknowns (Cholesky, with the
// diagonal raised a hair so that a term that is nearly all zeros does not divide by
// nothing) into `gains` if given; returns h . a, the part of the audio's energy the fit
// explains.
double solve(Matrix g, const Vector& h, int terms, Vector* gains = nullptr) {
    double largest = 0.0;
    for (int i = 0; i < terms; ++i) largest = std::max(largest, g[i][i]);
    if (largest <= 0.0) return 0.0;
    for (int i = 0; i < terms; ++i) g[i][i] += 1e-9 * largest;
    for (int j = 0; j < terms; ++j) {
        double d = g[j][j];
        for (int k = 0; k < j; ++k) d -= g[j][k] * g[j][k];
        if (d <= 0.0) return 0.0;
        g[j][j] = std::sqrt(d);
        for (int i = j + 1; i < terms; ++i) {
            double s = g[i][j];
            for (int k = 0; k < j; ++k) s -= g[i][k] * g[j][k];
            g[i][j] = s / g[j][j];
        }
    }
    // g = L L^T: z = L^-1 h, h . a = |z|^2, a = L^-T z.
    double sum = 0.0;
    Vector z{};
    for (int i = 0; i < terms; ++i) {
        double s = h[i];
        for (int k = 0; k < i; ++k) s -= g[i][k] * z[k];
        z[i] = s / g[i][i];
        sum += z[i] * z[i];
    }
    if (gains) {
        for (int i = terms; i-- > 0;) {
            double s = z[i];
            for (int k = i + 1; k < terms; ++k) s -= g[k][i] * (*gains)[k];
            (*gains)[i] = s / g[i][i];
        }
    }
    return sum;
}

// The tones of a telegram laid out from sample `first` - kMaxEchoDelay on (each with the
// preamble's tone before it), so that every echo tried has tones under the first sample
// fitted; through the filter, if given, from further back, so that it has settled there.
struct Tones {
    std::array<std::vector<double>, kTones> tone;
    // The direct tone `a` at the fitted sample i, and its echo `delay` samples late.
    const double* at(int a, int delay = 0) const { return tone[a].data() + kMaxEchoDelay - delay; }
};

Tones layTones(std::int64_t first, std::int64_t end, double start, const std::uint8_t* bits, int n,
               const BandPassFilter* shape) {
    const std::int64_t toneFirst = first - kMaxEchoDelay - (shape ? kSettleSamples : 0);
    const auto span = static_cast<std::size_t>(end - toneFirst);
    Tones t;
    for (auto& v : t.tone) v.assign(span, 0.0);
    double phase = 0.0;
    for (std::size_t i = 0; i < span; ++i) {
        const double at = static_cast<double>(toneFirst + static_cast<std::int64_t>(i)) - start;
        const auto k = static_cast<int>(std::floor(at / kSamplesPerBit));
        const bool one = k < 0 || k >= n || bits[k] != 0;
        const std::size_t a = one ? 0 : 2;
        t.tone[a][i] = std::cos(phase);
        t.tone[a + 1][i] = std::sin(phase);
        phase += 2.0 * std::numbers::pi * (one ? 1200.0 : 1800.0) / kSampleRate;
        if (phase > 2.0 * std::numbers::pi) phase -= 2.0 * std::numbers::pi;
    }
    if (shape) {
        for (auto& v : t.tone) {
            BandPassFilter filter = shape->atRest();
            for (double& x : v) x = filter.step(x);
            v.erase(v.begin(), v.begin() + kSettleSamples);
        }
    }
    return t;
}

using Four = double __attribute__((vector_size(32)));

// Eight running sums side by side: one sum alone waits for its last addition at every
// sample, and a fit takes some thirty thousand of these products over a telegram.
KUB_WIDE_VECTORS
double dot(const double* a, const double* b, std::size_t count) {
    Four s0{}, s1{};
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        Four x0, x1, y0, y1;
        std::memcpy(&x0, a + i, sizeof x0);
        std::memcpy(&x1, a + i + 4, sizeof x1);
        std::memcpy(&y0, b + i, sizeof y0);
        std::memcpy(&y1, b + i + 4, sizeof y1);
        s0 += x0 * y0;
        s1 += x1 * y1;
    }
    const Four t = s0 + s1;
    double s = (t[0] + t[1]) + (t[2] + t[3]);
    for (; i < count; ++i) s += a[i] * b[i];
    return s;
}

struct Fit {
    double explained = 0.0;
    int delay = 0;  // 0: no echo
    Vector gains{};
};

// The gains of the tones, and of an echo of them at the delay from `from` to `to` in
// steps of `step` that explains the most of `y` (none at all is one of the choices).
Fit fitTones(const Tones& t, const double* y, std::size_t span, int from, int to, int step) {
    Matrix g{};
    Vector h{};
    for (int a = 0; a < kTones; ++a) {
        h[a] = dot(t.at(a), y, span);
        for (int b = 0; b <= a; ++b) g[a][b] = g[b][a] = dot(t.at(a), t.at(b), span);
    }
    Fit best;
    best.explained = solve(g, h, kTones, &best.gains);
    for (int d = std::max(from, kMinEchoDelay); d <= std::min(to, kMaxEchoDelay); d += step) {
        Matrix ge = g;
        Vector he = h;
        for (int a = 0; a < kTones; ++a) {
            he[kTones + a] = dot(t.at(a, d), y, span);
            for (int b = 0; b < kTones; ++b) ge[kTones + a][b] = ge[b][kTones + a] = dot(t.at(a, d), t.at(b), span);
            for (int b = 0; b <= a; ++b)
                ge[kTones + a][kTones + b] = ge[kTones + b][kTones + a] = dot(t.at(a, d), t.at(b, d), span);
        }
        Vector gains{};
        const double e = solve(ge, he, kMaxTerms, &gains);
        if (e > best.explained) best = {e, d, gains};
    }
    return best;
}

}  // namespace

double fmsToneMisfit(const double* audio, std::size_t count, double start, const std::uint8_t* bits, int n,
                     const BandPassFilter* shape) {
    // The audio fitted: the preamble's last bits, the sync word and the telegram, wherever
    // in the reach of the clock tried they begin.
    const auto first = static_cast<std::int64_t>(std::ceil(start + kLatest - kFmsFitLeadBits * kSamplesPerBit));
    const auto end = static_cast<std::int64_t>(std::floor(start - kEarliest + n * kSamplesPerBit));
    if (first < 0 || end > static_cast<std::int64_t>(count) || n < kMinBits) return 0.0;
    const auto span = static_cast<std::size_t>(end - first);
    const double* y = audio + first;
    // Through an echo the clock read is late by a good part of the echo's delay: the tones
    // are laid out at starts over that reach, with every other echo delay, and around the
    // best of them once more at a finer step.
    Tones tones;
    Fit fit;
    fit.explained = -1.0;
    double offset = 0.0;
    auto tryAt = [&](double o, int from, int to, int step) {
        Tones trial = layTones(first, end, start + o, bits, n, shape);
        const Fit f = fitTones(trial, y, span, from, to, step);
        if (f.explained > fit.explained) {
            fit = f;
            tones = std::move(trial);
            offset = o;
        }
    };
    for (int o = -kEarliest; o <= kLatest; o += kCoarseStep) tryAt(o, kMinEchoDelay, kMaxEchoDelay, kCoarseStep);
    const double coarse = offset;
    const int delay = fit.delay;
    for (int k = -kFineSteps; k <= kFineSteps; ++k)
        if (k != 0) tryAt(coarse + k * kFineStep, delay - kCoarseStep, delay + kCoarseStep, delay > 0 ? 1 : kMaxEchoDelay);
    start += offset;
    const int terms = fit.delay > 0 ? kMaxTerms : kTones;
    auto model = [&](std::size_t i) {
        double m = 0.0;
        for (int a = 0; a < terms; ++a) m += fit.gains[a] * tones.at(a % kTones, a < kTones ? 0 : fit.delay)[i];
        return m;
    };
    // What the fit leaves behind the sync word.
    const auto behindSync = static_cast<std::size_t>(static_cast<std::int64_t>(std::ceil(start + 8 * kSamplesPerBit)) - first);
    double left = 0.0;
    for (std::size_t i = behindSync; i < span; ++i) {
        const double r = y[i] - model(i);
        left += r * r;
    }
    left /= static_cast<double>(span - behindSync);

    // The noise: what a single steady 1200 Hz tone leaves over the preamble's bits fitted.
    const auto preamble = static_cast<std::size_t>(static_cast<std::int64_t>(std::ceil(start)) - first);
    Matrix gp{};
    Vector hp{};
    for (int a = 0; a < 2; ++a) {
        hp[a] = dot(tones.at(a), y, preamble);
        for (int b = 0; b <= a; ++b) gp[a][b] = gp[b][a] = dot(tones.at(a), tones.at(b), preamble);
    }
    const double preambleEnergy = dot(y, y, preamble);
    const double noise = std::max(preambleEnergy - solve(gp, hp, 2), 0.0) / static_cast<double>(preamble - 2);
    const double power = dot(y, y, span) / static_cast<double>(span);
    return power > 0.0 ? (left - noise) / power : 0.0;
}

}  // namespace kub
