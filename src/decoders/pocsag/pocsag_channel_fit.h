#pragma once
// What a channel does to the bits, learnt from bits known to be right. Whatever lies between
// the transmitter and the slicer (a radio's steep high-pass in front of its CTCSS decoder, a
// voice channel, an echo, our own low-pass) is a linear filter: the sum over each half of a
// bit is the bit itself times a share plus what every earlier bit leaves in it. Behind a
// steep high-pass those tails ring for many bit lengths and add up to more than the bit. The
// shares are linear in what was heard, so known bits fix them by least squares, whichever
// filter it was.

#include <algorithm>
#include <array>
#include <cmath>

namespace kub {

// The shares of the bit itself ([0]) and of the bits before it ([k], k bits before) in one
// half of a bit, at unit level.
constexpr int kChannelTaps = 48;
using ChannelTaps = std::array<double, kChannelTaps + 1>;

// Half sums `y` of bits `x` (±1), both indexed by bit; `known[n]` says whether x[n] is
// certain. Fits the first `taps` + 1 shares on every bit from `from` to `to` (exclusive)
// whose own and earlier bits in reach are known; the later shares are zero. What the bits
// cannot tell apart stays as it was in `out` (idle codewords, sent again and again, repeat
// every 32 bits: the shares of bits 32 apart are then one). False when too few bits were
// known. The arrays are rings of `size` entries; indices are taken modulo `size`.
bool fitChannel(const double* y, const double* x, const bool* known, int size, long from, long to, int taps,
                ChannelTaps& out);

// How clearly bit `m` was heard, as a soft bit (±1 a full-level bit, its sign the bit's):
// how much worse the half sums from `m` to `last` would fit with this one bit turned,
// against how much worse they fit for a clean signal. Behind a steep edge a bit may leave
// less in its own half sums than in the next bit's, so every half sum it reaches counts.
// `bit(n)` gives the bits as read (±1), `heard(n, half)` the half sums.
// A stretch heard at less than 1 / kChannelLevelShare of the level the channel gives random bits
// makes its bits less sure in proportion; a drop-out makes them nothing.
constexpr double kChannelLevelShare = 1.5;

template <typename Bits, typename Heard>
double bitClarity(const Bits& bit, const Heard& heard, const ChannelTaps& first, const ChannelTaps& second, long m,
                  long last) {
    const double b = bit(m);
    double agree = 0, clean = 0, power = 0, expected = 0;
    double shares = 0;  // what random bits leave in a half sum, squared
    for (std::size_t k = 0; k < first.size(); ++k) shares += first[k] * first[k] + second[k] * second[k];
    for (long n = m; n <= last && n - m < static_cast<long>(first.size()); ++n) {
        const auto j = static_cast<std::size_t>(n - m);
        double e1 = heard(n, 0), e2 = heard(n, 1);
        power += e1 * e1 + e2 * e2;
        expected += shares;
        for (std::size_t k = 0; k < first.size(); ++k) {
            const double x = bit(n - static_cast<long>(k));
            e1 -= first[k] * x;
            e2 -= second[k] * x;
        }
        agree += b * (first[j] * e1 + second[j] * e2);
        clean += first[j] * first[j] + second[j] * second[j];
    }
    // A drop-out fits any bits about as well: what is heard there must be as loud as the
    // channel makes the bits.
    const double loud = expected > 0 ? std::min(1.0, kChannelLevelShare * std::sqrt(power / expected)) : 0.0;
    const double size = clean > 0 ? std::clamp((1.0 + agree / clean) * loud, 1e-6, 1.0) : 1e-6;
    return b > 0 ? size : -size;
}

}  // namespace kub
