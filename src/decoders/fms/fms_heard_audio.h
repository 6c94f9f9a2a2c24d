#pragma once
// The channel's audio as it came in, before the band-pass, kept for a short while. A
// squelch that closes for a moment leaves digital silence; behind the band-pass the filter
// rings on into it for about 2.5 ms at the tone it was given, so a drop-out of 2 to 4 ms
// hardly shows there, while the crossing slicer still reads its bits from a dying filter
// and a run of dither. Here the silence is seen at its full length.

#include <array>
#include <cstdint>
#include <optional>

#include "common/sample_block.h"

namespace kub {

class FmsHeardAudio {
public:
    // As long as the correlator's history: the whole first telegram and the block that
    // completed it.
    static constexpr int kHistory = 8192;
    static_assert((kHistory & (kHistory - 1)) == 0, "the history wraps by a mask");
    static_assert(kHistory % kBlockFrames == 0, "a block never wraps");

    // The next block of the channel, before any filter.
    void append(const SampleArray& block);

    // Whether samples [first, last) (counted from the start) hold a drop-out: half a ms
    // in a row below 3 % of the stretch's own RMS level around its mean (a sound card
    // sitting off zero keeps its silence silent). Neither tone stays that quiet for more
    // than a sample at its crossings, nor does noise at 0 dB for eleven. Silence of 13
    // samples over a telegram's bits has been seen to slip the crossing slicer by a value
    // and make a telegram that was never sent. False if less than that is held.
    bool holdsDropOut(double first, double last) const { return dropOut(first, last).has_value(); }
    // Where the drop-outs in [first, last) lie: from the first one's first quiet sample to
    // the last one's end; none if there is none.
    struct Span {
        std::int64_t from = 0;
        std::int64_t to = 0;
    };
    std::optional<Span> dropOut(double first, double last) const;

private:
    static constexpr int kDropOutSamples = 11;
    static constexpr double kDropOutLevel = 0.03;

    // 16-bit sample values are exact in a float.
    std::array<float, kHistory> history_{};
    std::int64_t seen_ = 0;
};

}  // namespace kub
