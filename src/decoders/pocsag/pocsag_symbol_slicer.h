#pragma once
// Bit recovery of the improved path, once a preamble has told the bit length. The level
// runs of the classic slicer are rounded to whole bits, so one noise spike inside a run
// splits it, and a run a third of a bit off is a bit too many or too few: the batch slips
// and every later codeword is shifted. Here a bit clock runs at the measured rate (the
// standard rate it is close to, when it is) and the
// signal is summed over each bit (integrate and dump, the matched filter of a rectangular
// bit); the sign of the sum is the bit. The clock is pulled towards the transitions: at a
// change of sign between two bits, the sum over the second half of the first and the first
// half of the second is zero when the clock is right, and its sign says whether the clock
// runs early or late. The level half way between the ones and the zeros is followed, so a
// signal sitting off zero is still cut in the middle.

#include "common/sample_block.h"
#include "decoders/pocsag/pocsag_baseline.h"
#include "decoders/pocsag/pocsag_echo_equaliser.h"
#include "decoders/pocsag/pocsag_state.h"
#include "decoders/pocsag/pocsag_steep_equaliser.h"

namespace kub {

class PocsagSymbolSlicer {
public:
    // Forgets the clock; the next call starts again from the given bit length.
    void reset() { active_ = false; }
    bool active() const { return active_; }

    // Sums the block's samples into bits and puts them into the bit ring as soft bits
    // (±1 a full-level bit, less for a doubtful one). `acquiring`: the preamble is still on,
    // so the clock may be pulled hard.
    void slice(PocsagBitState& st, const SampleArray& samples, bool acquiring);

    // The signal has been through a fourth-order high-pass at `hz`: the baseline the bits
    // already decided leave is taken off each new bit (from the next start on).
    void followBaseline(double hz) { baselineHz_ = hz; }

    // The signal may have lost its low frequencies to an edge of unknown make: the channel is
    // learnt from the sync codeword and the tails of the bits decided are taken off each new
    // bit (see PocsagSteepEqualiser). A high-pass leaves no offset, so none is followed.
    void learnChannel() { learnsChannel_ = true; }
    // Once the channel is learnt: the ring index after the sync codeword it was learnt from
    // (the bits up to there are read again), -1 before.
    int learntSyncEnd() const { return learntSyncEnd_; }

    // The bit length the clock runs at now (tests).
    double samplesPerBit() const { return 1.0 / step_; }

private:
    void finishBit(PocsagBitState& st, bool acquiring);
    // The channel has just been learnt: the stretch read again replaces what was put out.
    void learnt(PocsagBitState& st, double half);

    bool active_ = false;
    double nominalStep_ = 0;
    double step_ = 0;           // bits per sample
    double phase_ = 0;          // part of the current bit gone by, 0..1
    double firstHalf_ = 0;      // sums over the two halves of the current bit
    double secondHalf_ = 0;
    bool havePrevious_ = false;
    double previousSum_ = 0;
    double previousSecondHalf_ = 0;
    double high_ = 0;           // mean level of ones and of zeros
    double low_ = 0;
    bool haveHigh_ = false;
    bool haveLow_ = false;
    double mid_ = 0;
    double baselineHz_ = 0;
    PocsagBaseline baseline_;
    PocsagEchoEqualiser equaliser_;
    bool learnsChannel_ = false;
    PocsagSteepEqualiser steep_;
    int learntSyncEnd_ = -1;
    bool rateHeld_ = false;
    double meanLevel_ = 0;  // middle and swing of the levels while the preamble is on
    double meanSwing_ = 0;
    int alternating_ = 0;  // bits in a row that alternated, before the baseline is followed
    bool quiet_ = false;   // the last bit was squelch silence
};

}  // namespace kub
