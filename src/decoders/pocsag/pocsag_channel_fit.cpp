#include "decoders/pocsag/pocsag_channel_fit.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

namespace kub {

namespace {

// A slight pull towards the shares known before keeps the equations solvable where the bits
// do not tell two shares apart (the preamble's alternating bits tell only their alternating
// sum, repeated idle codewords nothing about bits 32 apart).
constexpr double kRidge = 1e-3;
constexpr int kUnknowns = kChannelTaps + 1;
// The products of the bits, then one column of sums for each half.
constexpr std::size_t kFirstSide = kUnknowns;
constexpr std::size_t kSecondSide = kUnknowns + 1;
using Matrix = std::array<std::array<double, kUnknowns + 2>, kUnknowns>;

std::size_t u(int i) { return static_cast<std::size_t>(i); }

void solveBack(const Matrix& m, int n, std::size_t side, ChannelTaps& out) {
    ChannelTaps solved{};
    for (int c = n - 1; c >= 0; --c) {
        double v = m[u(c)][side];
        for (int k = c + 1; k < n; ++k) v -= m[u(c)][u(k)] * solved[u(k)];
        solved[u(c)] = v / m[u(c)][u(c)];
    }
    out = solved;
}

// Gaussian elimination with partial pivoting on the first `n` rows of the matrix, both
// columns of sums carried along.
bool solve(Matrix& m, int n, ChannelTaps& out1, ChannelTaps& out2) {
    for (int c = 0; c < n; ++c) {
        int pivot = c;
        for (int r = c + 1; r < n; ++r)
            if (std::fabs(m[u(r)][u(c)]) > std::fabs(m[u(pivot)][u(c)])) pivot = r;
        if (pivot != c) std::swap(m[u(c)], m[u(pivot)]);
        const double p = m[u(c)][u(c)];
        if (std::fabs(p) < 1e-300) return false;
        for (int r = c + 1; r < n; ++r) {
            const double f = m[u(r)][u(c)] / p;
            if (f == 0) continue;
            for (int k = c; k < n; ++k) m[u(r)][u(k)] -= f * m[u(c)][u(k)];
            m[u(r)][kFirstSide] -= f * m[u(c)][kFirstSide];
            m[u(r)][kSecondSide] -= f * m[u(c)][kSecondSide];
        }
    }
    solveBack(m, n, kFirstSide, out1);
    solveBack(m, n, kSecondSide, out2);
    return true;
}

}  // namespace

bool fitChannel(const double* y1, const double* y2, const double* x, const bool* known, int size, long from, long to,
                int taps, ChannelTaps& out1, ChannelTaps& out2) {
    const auto at = [size](long n) { return static_cast<std::size_t>(((n % size) + size) % size); };
    const int n = std::clamp(taps, 0, kChannelTaps) + 1;
    // The bits from the earliest any equation reaches back to, with n - 1 zeros in front.
    const long lo = from - n + 1;
    const auto span = static_cast<std::size_t>(std::max(to - lo, 0L));
    const auto front = u(n - 1);
    std::vector<int> bits(front + span, 0);
    for (std::size_t t = 0; t < span; ++t) bits[front + t] = static_cast<int>(x[at(lo + static_cast<long>(t))]);
    Matrix m{};
    // The equations (bits whose own and earlier bits in reach are known) as runs [a, b).
    std::vector<std::pair<long, long>> runs;
    int equations = 0;
    int knownRun = 0;  // known bits in a row up to k
    for (long k = from - n; k < to; ++k) {
        knownRun = known[at(k)] ? knownRun + 1 : 0;
        if (k < from || knownRun < n) continue;
        if (runs.empty() || runs.back().second != k) runs.emplace_back(k, k);
        ++runs.back().second;
        const double target1 = y1[at(k)];
        const double target2 = y2[at(k)];
        const int* row = bits.data() + front + static_cast<std::size_t>(k - lo);  // row[-i] is bit k - i
        for (int i = 0; i < n; ++i) {
            const auto ri = static_cast<double>(row[-i]);
            m[u(i)][kFirstSide] += ri * target1;
            m[u(i)][kSecondSide] += ri * target2;
        }
        ++equations;
    }
    if (equations < n) return false;
    // The products of the bits: row i, column i + d sums bit(k - i) × bit(k - i - d) over
    // the equations k, a running sum of bit(t) × bit(t - d) taken between the runs' ends
    // moved back by i. The bits are -1, 0 or +1, so every sum is a small whole number and
    // comes out the same whichever way it is added up.
    std::vector<int> sums(span + 1);
    for (int d = 0; d < n; ++d) {
        for (std::size_t t = 0; t < span; ++t) sums[t + 1] = sums[t] + bits[front + t] * bits[front + t - u(d)];
        for (int i = 0; i + d < n; ++i) {
            int sum = 0;
            for (const auto& [a, b] : runs)
                sum += sums[static_cast<std::size_t>(b - i - lo)] - sums[static_cast<std::size_t>(a - i - lo)];
            m[u(i)][u(i + d)] = m[u(i + d)][u(i)] = sum;
        }
    }
    for (int i = 0; i < n; ++i) {
        const double pull = kRidge * equations;
        m[u(i)][u(i)] += pull;
        m[u(i)][kFirstSide] += pull * out1[u(i)];
        m[u(i)][kSecondSide] += pull * out2[u(i)];
    }
    return solve(m, n, out1, out2);
}

}  // namespace kub
