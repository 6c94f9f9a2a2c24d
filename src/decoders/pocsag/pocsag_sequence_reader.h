#pragma once
// Reads bits through a channel whose tails are as large as the bits (behind a steep
// high-pass): a bit decided on its own, with the tails of the bits before it taken off,
// goes wrong once in a while, and its wrong tail then turns the next bits too. Here the
// last few bits are decided together: every combination of them is followed as a path
// with the bits before it (the best path into each combination), each path's tails are
// taken off what was heard, and the path that explains the half sums best wins. A bit is
// given out only some bits later, when the paths have come together behind it.

#include <array>
#include <cstdint>

#include "decoders/pocsag/pocsag_channel_fit.h"

namespace kub {

class PocsagSequenceReader {
public:
    // Bits decided together (64 paths) and bits a decision waits.
    static constexpr int kJoint = 6;
    static constexpr int kDelay = 24;

    // Starts before bit `n`, with the bits before it known to be as in `x` (a ring of `size`).
    void start(const double* x, int size, long n);
    // The half sums of the next bit. Returns true when a bit (kDelay bits back) is given
    // out: `bit` ±1, `soft` how clearly it was heard on its own with its neighbours' tails
    // taken off (±1 a full-level bit).
    bool step(double y1, double y2, const ChannelTaps& first, const ChannelTaps& second, double& bit, double& soft);
    // The bits not yet given out, oldest first, from the best path; returns how many.
    int flush(const ChannelTaps& first, const ChannelTaps& second, std::array<double, kDelay>& bits,
              std::array<double, kDelay>& soft) const;
    // What the best path's bits leave in one half of the coming bit.
    double tail(const ChannelTaps& taps) const;
    // Bit `n` was sent as `bit`: every path holds it so (a codeword the check vouched for).
    void settle(long n, double bit);

private:
    static constexpr int kStates = 1 << kJoint;
    static constexpr int kSpan = 64;  // bits each path remembers: more than the taps and the delay
    static std::size_t at(long n) { return static_cast<std::size_t>(((n % kSpan) + kSpan) % kSpan); }
    // A path's bits as one word, bit at(n) set for a one: a step copies 64 words, not 64
    // arrays of 64 bits.
    using Path = std::uint64_t;
    static double bitOf(Path p, long n) { return ((p >> at(n)) & 1u) != 0 ? 1.0 : -1.0; }
    static double pathTail(Path p, const ChannelTaps& taps, long n);
    double softOf(Path p, const ChannelTaps& first, const ChannelTaps& second, long n) const;
    int best() const;

    std::array<Path, kStates> paths_{};
    std::array<double, kStates> metric_{};
    std::array<double, kSpan> y1_{}, y2_{};
    long next_ = 0;    // the bit the next step brings
    long started_ = 0;
};

}  // namespace kub
