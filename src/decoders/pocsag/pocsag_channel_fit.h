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

// Half sums `y1` and `y2` (the two halves of each bit) of bits `x` (±1), all indexed by bit;
// `known[n]` says whether x[n] is certain. Fits the first `taps` + 1 shares of each half on
// every bit from `from` to `to` (exclusive) whose own and earlier bits in reach are known;
// the later shares are zero. What the bits cannot tell apart stays as it was in `out1` and
// `out2` (idle codewords, sent again and again, repeat every 32 bits: the shares of bits 32
// apart are then one). False, with both left as they were, when too few bits were known.
// The arrays are rings of `size` entries; indices are taken modulo `size`. Both halves are
// fitted on the same bits, so they share one set of equations.
bool fitChannel(const double* y1, const double* y2, const double* x, const bool* known, int size, long from, long to,
                int taps, ChannelTaps& out1, ChannelTaps& out2);

// How clearly bit `m` was heard, as a soft bit (±1 a full-level bit, its sign the bit's):
// how much worse the half sums from `m` to `last` would fit with this one bit turned,
// against how much worse they fit for a clean signal. Behind a steep edge a bit may leave
// less in its own half sums than in the next bit's, so every half sum it reaches counts.
// `bit(n)` gives the bits as read (±1), `heard(n, half)` the half sums.
// A stretch heard at less than 1 / kChannelLevelShare of the level the channel gives random bits
// makes its bits less sure in proportion; a drop-out makes them nothing.
constexpr double kChannelLevelShare = 1.5;

// The same from the bits and half sums laid out in a row (pocsag_bit_clarity.cpp).
struct ClarityStretch {
    // Room for the half sums of kChannelTaps + 1 bits, rounded up to whole groups of four.
    static constexpr int kReach = kChannelTaps + 1;
    static constexpr int kRoom = (kReach + 3) / 4 * 4;
    // bits[i] is bit m - kChannelTaps + i; heard1[j], heard2[j] are the halves of bit m + j.
    std::array<double, kChannelTaps + kRoom> bits{};
    std::array<double, kRoom> heard1{}, heard2{};
    int count = 0;  // half sums from bit m on (at most kReach)
};
double bitClarity(const ClarityStretch& stretch, const ChannelTaps& first, const ChannelTaps& second);

template <typename Bits, typename Heard>
double bitClarity(const Bits& bit, const Heard& heard, const ChannelTaps& first, const ChannelTaps& second, long m,
                  long last) {
    ClarityStretch s;
    s.count = static_cast<int>(std::clamp(last - m + 1, 0L, static_cast<long>(ClarityStretch::kReach)));
    for (int i = 0; i < kChannelTaps + s.count; ++i)
        s.bits[static_cast<std::size_t>(i)] = bit(m - kChannelTaps + i);
    for (int j = 0; j < s.count; ++j) {
        s.heard1[static_cast<std::size_t>(j)] = heard(m + j, 0);
        s.heard2[static_cast<std::size_t>(j)] = heard(m + j, 1);
    }
    if (s.count == 0) s.bits[kChannelTaps] = bit(m);
    return bitClarity(s, first, second);
}

}  // namespace kub
