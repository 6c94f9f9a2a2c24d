#pragma once
// Decision feedback against echoes. A reflection a few milliseconds late (multipath, a
// second loudspeaker in the room, a repeater) adds a weaker copy of the bits sent one to
// several bits before to the bit being read: the sums over its two halves carry the
// earlier bits' share, the eye closes to half and the clock is pulled to where the copy's
// edges lie. The share each earlier bit leaves is learnt from the bits already decided
// (least mean squares on the half-bit sums) and taken off before the next bit is decided:
// a signal without echoes learns shares near zero and is left as it was.

#include <array>

namespace kub {

class PocsagEchoEqualiser {
public:
    // Earlier bits whose share is learnt: 3 ms at 2400 bit/s is more than seven bits.
    static constexpr int kTaps = 10;

    // Nothing learnt, nothing decided.
    void reset();

    // What the bits decided so far leave in the two halves of the coming bit.
    double firstHalfEcho() const { return dot(first_); }
    double secondHalfEcho() const { return dot(second_); }

    // The coming bit was decided as `bit` (+1 or -1) from the halves `h1`, `h2` as they came
    // in (before the echo was taken off); with `learn` the shares are corrected by what was
    // left over.
    void decided(double bit, double h1, double h2, bool learn);

private:
    // Shares of the bit itself ([0]) and of the earlier ones ([k], k bits before).
    using Taps = std::array<double, kTaps + 1>;
    double dot(const Taps& taps) const;
    void correct(Taps& taps, double half, double bit);

    Taps first_{};
    Taps second_{};
    std::array<double, kTaps + 1> bits_{};  // [k]: the bit decided k bits before the coming one
};

}  // namespace kub
