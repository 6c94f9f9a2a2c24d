#include "decoders/pocsag/pocsag_sequence_reader.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kub {

namespace {
constexpr double kUnreached = std::numeric_limits<double>::infinity();
}

void PocsagSequenceReader::start(const double* x, int size, long n) {
    Path known{};
    for (long k = n - kSpan; k < n; ++k) known[at(k)] = x[((k % size) + size) % size] > 0 ? 1 : -1;
    int state = 0;
    for (int k = kJoint; k >= 1; --k) state = (state << 1) | (known[at(n - k)] > 0 ? 1 : 0);
    paths_.fill(known);
    metric_.fill(kUnreached);
    metric_[static_cast<std::size_t>(state)] = 0;
    next_ = started_ = n;
}

double PocsagSequenceReader::pathTail(const Path& p, const ChannelTaps& taps, long n) const {
    double sum = 0;
    for (std::size_t k = 1; k < taps.size(); ++k) sum += taps[k] * p[at(n - static_cast<long>(k))];
    return sum;
}

int PocsagSequenceReader::best() const {
    return static_cast<int>(std::min_element(metric_.begin(), metric_.end()) - metric_.begin());
}

double PocsagSequenceReader::tail(const ChannelTaps& taps) const {
    return pathTail(paths_[static_cast<std::size_t>(best())], taps, next_);
}

double PocsagSequenceReader::softOf(const Path& p, const ChannelTaps& first, const ChannelTaps& second, long n) const {
    return bitClarity([&p](long k) { return static_cast<double>(p[at(k)]); },
                      [this](long k, int half) { return half == 0 ? y1_[at(k)] : y2_[at(k)]; }, first, second, n,
                      next_ - 1);
}

bool PocsagSequenceReader::step(double y1, double y2, const ChannelTaps& first, const ChannelTaps& second,
                                double& bit, double& soft) {
    const long n = next_++;
    y1_[at(n)] = y1;
    y2_[at(n)] = y2;
    std::array<double, kStates> base1{}, base2{};
    for (std::size_t s = 0; s < kStates; ++s) {
        if (metric_[s] == kUnreached) continue;
        base1[s] = pathTail(paths_[s], first, n);
        base2[s] = pathTail(paths_[s], second, n);
    }
    std::array<Path, kStates> paths{};
    std::array<double, kStates> metric{};
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
            paths[t] = paths_[static_cast<std::size_t>(from)];
            paths[t][at(n)] = static_cast<std::int8_t>(b);
        }
    }
    const double least = *std::min_element(metric.begin(), metric.end());
    for (double& m : metric) m -= least;
    paths_ = paths;
    metric_ = metric;
    const long out = n - kDelay;
    if (out < started_) return false;
    const Path& p = paths_[static_cast<std::size_t>(best())];
    bit = p[at(out)] > 0 ? 1.0 : -1.0;
    soft = softOf(p, first, second, out);
    return true;
}

int PocsagSequenceReader::flush(const ChannelTaps& first, const ChannelTaps& second, std::array<double, kDelay>& bits,
                                std::array<double, kDelay>& soft) const {
    const Path& p = paths_[static_cast<std::size_t>(best())];
    int count = 0;
    for (long k = std::max(started_, next_ - kDelay); k < next_; ++k) {
        bits[static_cast<std::size_t>(count)] = p[at(k)] > 0 ? 1.0 : -1.0;
        soft[static_cast<std::size_t>(count)] = softOf(p, first, second, k);
        ++count;
    }
    return count;
}

void PocsagSequenceReader::settle(long n, double bit) {
    if (n < next_ - kSpan || n >= next_) return;
    for (Path& p : paths_) p[at(n)] = static_cast<std::int8_t>(bit > 0 ? 1 : -1);
}

}  // namespace kub
