#include "decoders/pocsag/pocsag_channel_fit.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace kub {

namespace {

// A slight pull towards the shares known before keeps the equations solvable where the bits
// do not tell two shares apart (the preamble's alternating bits tell only their alternating
// sum, repeated idle codewords nothing about bits 32 apart).
constexpr double kRidge = 1e-3;
constexpr int kUnknowns = kChannelTaps + 1;
using Matrix = std::array<std::array<double, kUnknowns + 1>, kUnknowns>;

// Gaussian elimination with partial pivoting on the first `n` rows of the augmented matrix.
bool solve(Matrix& m, int n, ChannelTaps& out) {
    ChannelTaps solved{};
    const auto u = [](int i) { return static_cast<std::size_t>(i); };
    for (int c = 0; c < n; ++c) {
        int pivot = c;
        for (int r = c + 1; r < n; ++r)
            if (std::fabs(m[u(r)][u(c)]) > std::fabs(m[u(pivot)][u(c)])) pivot = r;
        std::swap(m[u(c)], m[u(pivot)]);
        const double p = m[u(c)][u(c)];
        if (std::fabs(p) < 1e-300) return false;
        for (int r = c + 1; r < n; ++r) {
            const double f = m[u(r)][u(c)] / p;
            if (f == 0) continue;
            for (int k = c; k < n; ++k) m[u(r)][u(k)] -= f * m[u(c)][u(k)];
            m[u(r)][kUnknowns] -= f * m[u(c)][kUnknowns];
        }
    }
    for (int c = n - 1; c >= 0; --c) {
        double v = m[u(c)][kUnknowns];
        for (int k = c + 1; k < n; ++k) v -= m[u(c)][u(k)] * solved[u(k)];
        solved[u(c)] = v / m[u(c)][u(c)];
    }
    out = solved;
    return true;
}

}  // namespace

bool fitChannel(const double* y, const double* x, const bool* known, int size, long from, long to, int taps,
                ChannelTaps& out) {
    const auto at = [size](long n) { return static_cast<std::size_t>(((n % size) + size) % size); };
    const int n = std::clamp(taps, 0, kChannelTaps) + 1;
    Matrix m{};
    std::array<double, kUnknowns> row{};
    int equations = 0;
    int knownRun = 0;  // known bits in a row up to k
    for (long k = from - n; k < to; ++k) {
        knownRun = known[at(k)] ? knownRun + 1 : 0;
        if (k < from || knownRun < n) continue;
        for (int j = 0; j < n; ++j) row[static_cast<std::size_t>(j)] = x[at(k - j)];
        const double target = y[at(k)];
        for (int i = 0; i < n; ++i) {
            auto& mi = m[static_cast<std::size_t>(i)];
            const double ri = row[static_cast<std::size_t>(i)];
            for (int j = 0; j < n; ++j) mi[static_cast<std::size_t>(j)] += ri * row[static_cast<std::size_t>(j)];
            mi[kUnknowns] += ri * target;
        }
        ++equations;
    }
    if (equations < n) return false;
    for (int i = 0; i < n; ++i) {
        const double pull = kRidge * equations;
        m[static_cast<std::size_t>(i)][static_cast<std::size_t>(i)] += pull;
        m[static_cast<std::size_t>(i)][kUnknowns] += pull * out[static_cast<std::size_t>(i)];
    }
    return solve(m, n, out);
}

}  // namespace kub
