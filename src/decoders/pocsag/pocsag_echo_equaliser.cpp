#include "decoders/pocsag/pocsag_echo_equaliser.h"

#include <algorithm>

namespace kub {

namespace {
// How far one bit corrects the shares, as a part of what was left over: about a hundred
// bits (three codewords) to learn an echo, while a single bit in noise moves them little.
constexpr double kLearnRate = 0.012;
}  // namespace

void PocsagEchoEqualiser::reset() {
    first_.fill(0);
    second_.fill(0);
    bits_.fill(0);
}

double PocsagEchoEqualiser::dot(const Taps& taps) const {
    double sum = 0;
    for (std::size_t k = 1; k < taps.size(); ++k) sum += taps[k] * bits_[k];
    return sum;
}

void PocsagEchoEqualiser::correct(Taps& taps, double half, double bit) {
    double predicted = taps[0] * bit;
    for (std::size_t k = 1; k < taps.size(); ++k) predicted += taps[k] * bits_[k];
    const double error = kLearnRate * (half - predicted);
    taps[0] += error * bit;
    for (std::size_t k = 1; k < taps.size(); ++k) taps[k] += error * bits_[k];
}

void PocsagEchoEqualiser::decided(double bit, double h1, double h2, bool learn) {
    if (learn) {
        correct(first_, h1, bit);
        correct(second_, h2, bit);
    }
    std::copy_backward(bits_.begin() + 1, bits_.end() - 1, bits_.end());
    bits_[1] = bit;
}

}  // namespace kub
