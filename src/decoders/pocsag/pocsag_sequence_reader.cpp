#include "decoders/pocsag/pocsag_sequence_reader.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "common/wide_vectors.h"

namespace kub {

namespace {

constexpr double kUnreached = std::numeric_limits<double>::infinity();
constexpr std::uint64_t kSignBit = std::uint64_t{1} << 63;

// What every path's bits leave in the two halves of the coming bit, sixteen paths side by
// side (`count` a multiple of 16). Each path's sums are added up tap by tap from the newest
// bit back, as pathTail does, so they come out the same to the last bit. A bit of -1 turns
// the share's sign: the product with ±1 is exact, and so is flipping the sign bit.
// `newest` is the ring place of the bit just before the coming one.
KUB_WIDE_VECTORS void pathTails(const std::uint64_t* paths, int count, const double* first, const double* second,
                                int newest, double* out1, double* out2) {
    using Doubles = double __attribute__((vector_size(32)));
    using Words = std::uint64_t __attribute__((vector_size(32)));
    constexpr int kLanes = 4;
    constexpr int kGroups = 4;  // vectors at a time: the shares are fetched once for all of them
    const Words sign = {kSignBit, kSignBit, kSignBit, kSignBit};
    std::array<std::uint64_t, kChannelTaps + 1> f{}, s{};
    std::memcpy(f.data(), first, sizeof f);
    std::memcpy(s.data(), second, sizeof s);
    const int turn = 63 - newest;
    for (int g = 0; g < count; g += kLanes * kGroups) {
        // The bits turned so that the newest is the top one, set where the bit is -1.
        std::array<std::uint64_t, kLanes * kGroups> turned{};
        for (std::size_t i = 0; i < turned.size(); ++i) turned[i] = std::rotl(~paths[static_cast<std::size_t>(g) + i], turn);
        Words r[kGroups];
        std::memcpy(r, turned.data(), sizeof r);
        Doubles sum1[kGroups] = {}, sum2[kGroups] = {};
        for (std::size_t k = 1; k < f.size(); ++k) {
            const Words t1 = {f[k], f[k], f[k], f[k]};
            const Words t2 = {s[k], s[k], s[k], s[k]};
            for (int q = 0; q < kGroups; ++q) {
                const Words flip = r[q] & sign;
                sum1[q] += reinterpret_cast<Doubles>(t1 ^ flip);
                sum2[q] += reinterpret_cast<Doubles>(t2 ^ flip);
                r[q] += r[q];
            }
        }
        for (int q = 0; q < kGroups; ++q) {
            std::memcpy(out1 + g + kLanes * q, &sum1[q], sizeof sum1[q]);
            std::memcpy(out2 + g + kLanes * q, &sum2[q], sizeof sum2[q]);
        }
    }
}

}  // namespace

void PocsagSequenceReader::start(const double* x, int size, long n) {
    Path known = 0;
    for (long k = n - kSpan; k < n; ++k)
        if (x[((k % size) + size) % size] > 0) known |= Path{1} << at(k);
    int state = 0;
    for (int k = kJoint; k >= 1; --k) state = (state << 1) | (bitOf(known, n - k) > 0 ? 1 : 0);
    paths_.fill(known);
    metric_.fill(kUnreached);
    metric_[static_cast<std::size_t>(state)] = 0;
    next_ = started_ = n;
}

double PocsagSequenceReader::pathTail(Path p, const ChannelTaps& taps, long n) {
    double sum = 0;
    for (std::size_t k = 1; k < taps.size(); ++k) sum += taps[k] * bitOf(p, n - static_cast<long>(k));
    return sum;
}

int PocsagSequenceReader::best() const {
    return static_cast<int>(std::min_element(metric_.begin(), metric_.end()) - metric_.begin());
}

double PocsagSequenceReader::tail(const ChannelTaps& taps) const {
    return pathTail(paths_[static_cast<std::size_t>(best())], taps, next_);
}

double PocsagSequenceReader::softOf(Path p, const ChannelTaps& first, const ChannelTaps& second, long n) const {
    return bitClarity([p](long k) { return bitOf(p, k); },
                      [this](long k, int half) { return half == 0 ? y1_[at(k)] : y2_[at(k)]; }, first, second, n,
                      next_ - 1);
}

bool PocsagSequenceReader::step(double y1, double y2, const ChannelTaps& first, const ChannelTaps& second,
                                double& bit, double& soft) {
    const long n = next_++;
    y1_[at(n)] = y1;
    y2_[at(n)] = y2;
    // Paths not reached get sums too; they are never looked at.
    std::array<double, kStates> base1{}, base2{};
    pathTails(paths_.data(), kStates, first.data(), second.data(), static_cast<int>(at(n - 1)), base1.data(),
              base2.data());
    std::array<Path, kStates> paths{};
    std::array<double, kStates> metric{};
    const Path here = Path{1} << at(n);
    for (int to = 0; to < kStates; ++to) {
        const double b = (to & 1) != 0 ? 1.0 : -1.0;
        double bestMetric = kUnreached;
        int from = -1;
        for (const int s : {to >> 1, (to >> 1) | (kStates >> 1)}) {
            const auto u = static_cast<std::size_t>(s);
            if (metric_[u] == kUnreached) continue;
            const double e1 = y1 - first[0] * b - base1[u];
            const double e2 = y2 - second[0] * b - base2[u];
            const double m = metric_[u] + e1 * e1 + e2 * e2;
            if (m < bestMetric) {
                bestMetric = m;
                from = s;
            }
        }
        const auto t = static_cast<std::size_t>(to);
        metric[t] = bestMetric;
        if (from >= 0) {
            const Path p = paths_[static_cast<std::size_t>(from)];
            paths[t] = b > 0 ? p | here : p & ~here;
        }
    }
    const double least = *std::min_element(metric.begin(), metric.end());
    for (double& m : metric) m -= least;
    paths_ = paths;
    metric_ = metric;
    const long out = n - kDelay;
    if (out < started_) return false;
    const Path p = paths_[static_cast<std::size_t>(best())];
    bit = bitOf(p, out);
    soft = softOf(p, first, second, out);
    return true;
}

int PocsagSequenceReader::flush(const ChannelTaps& first, const ChannelTaps& second, std::array<double, kDelay>& bits,
                                std::array<double, kDelay>& soft) const {
    const Path p = paths_[static_cast<std::size_t>(best())];
    int count = 0;
    for (long k = std::max(started_, next_ - kDelay); k < next_; ++k) {
        bits[static_cast<std::size_t>(count)] = bitOf(p, k);
        soft[static_cast<std::size_t>(count)] = softOf(p, first, second, k);
        ++count;
    }
    return count;
}

void PocsagSequenceReader::settle(long n, double bit) {
    if (n < next_ - kSpan || n >= next_) return;
    const Path here = Path{1} << at(n);
    for (Path& p : paths_) p = bit > 0 ? p | here : p & ~here;
}

}  // namespace kub
