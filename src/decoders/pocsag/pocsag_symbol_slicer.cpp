#include "decoders/pocsag/pocsag_symbol_slicer.h"

#include <algorithm>
#include <cmath>

namespace kub {

namespace {

// How far one transition pulls the clock, as a share of its measured error: hard while the
// preamble offers a transition at every bit, gently inside the batches.
constexpr double kAcquireGain = 0.25;
constexpr double kTrackGain = 0.08;
// How far one transition corrects the clock rate, and how far the rate may leave the
// measured one.
constexpr double kRateGain = 0.002;
// A sound card's clock or a transmitter's crystal can be off by a few per cent; the clock
// follows that far from the standard rate.
constexpr double kRateRange = 0.04;
// How far from the standard rate a rate learnt on a preamble is taken for the standard one
// once the clock is no longer pulled.
constexpr double kCrystalRange = 0.005;
// Bits over which the levels of ones and zeros are averaged.
constexpr double kLevelBits = 16.0;
// A bit summed to less than this share of the swing between ones and zeros is silence.
constexpr double kSilentShare = 0.15;
// After silence, a bit summed to less than this share is still taken for it.
constexpr double kHeardShare = 0.5;
// The middle this far off zero (as a share of half the swing), and zero at least as far inside
// both levels: the signal sits off zero.
constexpr double kOffZero = 0.2;
// Pagers are sent at one of three rates from a crystal; a preamble measured in noise, or
// with short runs of the traffic before it, can be far off (7 % and 15 % short were seen at
// 2400 bit/s, and the clock, held near its start, then never locked). The rates lie more
// than twice apart, so within this much of a standard rate the clock starts at that rate;
// the ranges of the three do not meet.
constexpr double kStandardRates[] = {512.0, 1200.0, 2400.0};
constexpr double kSampleRate = 22050.0;
constexpr double kSnapRange = 0.3;
// Alternating bits in a row after which the baseline is followed.
constexpr int kBaselineStartBits = 32;
// Bits over which the middle is averaged before that.
constexpr double kPreambleMeanBits = 4.0;

double startingStep(double samplesPerBit) {
    const double measured = 1.0 / std::max(samplesPerBit, 2.0);
    for (const double rate : kStandardRates) {
        const double step = rate / kSampleRate;
        if (std::fabs(measured - step) <= kSnapRange * step) return step;
    }
    return measured;
}

// Where the clock starts: at the measured rate when it lies within the clock's range of
// the standard one (the whole signal a little off), at the standard rate otherwise.
double firstStep(double samplesPerBit, double nominal) {
    const double measured = 1.0 / std::max(samplesPerBit, 2.0);
    return std::fabs(measured - nominal) <= kRateRange * nominal ? measured : nominal;
}

}  // namespace

void PocsagSymbolSlicer::slice(PocsagBitState& st, const SampleArray& samples, bool acquiring) {
    if (!active_) {
        active_ = true;
        nominalStep_ = startingStep(st.samplesPerBit);
        step_ = firstStep(st.samplesPerBit, nominalStep_);
        phase_ = 0;
        firstHalf_ = secondHalf_ = 0;
        havePrevious_ = false;
        haveHigh_ = haveLow_ = false;
        high_ = low_ = mid_ = 0;
        baseline_.stop();
        equaliser_.reset();
        steep_.reset();
        learntSyncEnd_ = -1;
        rateHeld_ = false;
        alternating_ = 0;
        meanLevel_ = meanSwing_ = 0;
        quiet_ = false;
    }
    // The clock and the sums in locals while the samples lie inside a half: kept in the
    // members, each would be stored and loaded again at every sample (finishBit works on
    // them), and the sums wait for their own last value. Where a half or the bit ends, the
    // members take over.
    double phase = phase_;
    double firstHalf = firstHalf_;
    double secondHalf = secondHalf_;
    double step = step_;
    for (const double x : samples) {
        // Each sample stands for one sample period; where the bit's halves or the bit itself
        // end inside it, it is shared in proportion. Most samples lie inside a half: the
        // whole sample goes to it (x × 1 and 1 × step_ are x and step_ to the last bit).
        // Whether the rest of the half holds a whole step is asked without dividing: for a
        // positive step, the rounded quotient reaches 1 exactly when the dividend reaches the
        // step (anything below the step divides to at most 1 - 2^-53 before rounding, and
        // rounds below 1), and a division per sample held up the whole loop.
        {
            const double boundary = phase < 0.5 ? 0.5 : 1.0;
            if (boundary - phase >= step) {
                (phase < 0.5 ? firstHalf : secondHalf) += x;
                phase += step;
                continue;
            }
        }
        phase_ = phase;
        firstHalf_ = firstHalf;
        secondHalf_ = secondHalf;
        double left = 1.0;  // part of this sample period still to place
        while (left > 0) {
            const double boundary = phase_ < 0.5 ? 0.5 : 1.0;
            const double reach = (boundary - phase_) / step_;  // sample periods to the boundary
            if (reach >= left) {
                (phase_ < 0.5 ? firstHalf_ : secondHalf_) += x * left;
                phase_ += left * step_;
                break;
            }
            (phase_ < 0.5 ? firstHalf_ : secondHalf_) += x * reach;
            left -= reach;
            phase_ = boundary;
            if (boundary == 1.0) {
                phase_ = 0;
                finishBit(st, acquiring);
            }
        }
        phase = phase_;
        firstHalf = firstHalf_;
        secondHalf = secondHalf_;
        step = step_;
    }
    phase_ = phase;
    firstHalf_ = firstHalf;
    secondHalf_ = secondHalf;
}

void PocsagSymbolSlicer::learnt(PocsagBitState& st, double half) {
    // The bits from the sync codeword on were put out with their tails still in them: they
    // go back out as read now, and the reader gives out the rest. The levels are the
    // channel's for a bit on its own.
    const auto& r = steep_.reread();
    st.bitWrite = (st.bitWrite - r.back + kPocsagRingSize) % kPocsagRingSize;
    for (int k = 0; k < r.count; ++k) {
        st.bitRing[static_cast<std::size_t>(st.bitWrite)] = r.soft[static_cast<std::size_t>(k)];
        st.bitWrite = (st.bitWrite + 1) % kPocsagRingSize;
        if (k == 31) learntSyncEnd_ = st.bitWrite;
    }
    steep_.clearReread();
    high_ = steep_.level() / (2.0 * half);
    low_ = -high_;
    haveHigh_ = haveLow_ = true;
}

void PocsagSymbolSlicer::finishBit(PocsagBitState& st, bool acquiring) {
    const double half = 0.5 / step_;  // samples per half bit
    const double heardLevel = (firstHalf_ + secondHalf_) / (2.0 * half);
    double h1 = firstHalf_ - mid_ * half;
    double h2 = secondHalf_ - mid_ * half;
    firstHalf_ = secondHalf_ = 0;
    const double echo1 = equaliser_.firstHalfEcho();
    const double echo2 = equaliser_.secondHalfEcho();
    h1 -= echo1;
    h2 -= echo2;
    const double tail1 = steep_.firstHalfTail();
    const double tail2 = steep_.secondHalfTail();
    h1 -= tail1;
    h2 -= tail2;
    if (baseline_.active()) {
        // The level of a bit as sent, from the levels of ones and zeros (which are the
        // levels as sent once the baseline is right).
        const double amplitude = haveHigh_ && haveLow_ ? std::max(0.0, 0.5 * (high_ - low_)) : 0.0;
        h1 -= amplitude * baseline_.firstHalf();
        h2 -= amplitude * baseline_.secondHalf();
        // What the high-pass took of the bit itself, once it is decided: the clock below then
        // sees the bits as sent, with the transitions where they were.
        const double bit = h1 + h2 > 0 ? 1.0 : -1.0;
        h1 += bit * amplitude * (half - baseline_.ownFirst());
        h2 += bit * amplitude * (half - baseline_.ownSecond());
    }
    const double sum = h1 + h2;
    // A bit of squelch silence says nothing about the clock or the levels: pulled by it, the
    // clock slips and the levels sink, and the codewords after the drop-out are lost too.
    // Once silent, the silence lasts until a bit is clearly heard again: with the middle a
    // little off zero, the first bits of a long drop-out (29 bits at 2400 bit/s) came out just
    // above the silence share, pulled the level of their side towards zero, and the rest of
    // the drop-out was read as a run of loud equal bits, "corrected" into an address that was
    // never sent.
    const bool levels = haveHigh_ && haveLow_ && high_ > low_;
    const double share = quiet_ ? kHeardShare : kSilentShare;
    // A squelch shuts to zero, not to the middle: with the signal sitting well off zero (a
    // DC-coupled path), silence lies far from the middle and would be read as a run of bits.
    // Through a voice channel the middle stays at zero and runs of equal bits sag towards it,
    // so there a bit near zero is only a weak bit.
    const double halfSwing = 0.5 * (high_ - low_);
    const bool offZero = levels && baselineHz_ == 0 && std::fabs(mid_) > kOffZero * halfSwing &&
                         high_ > kOffZero * halfSwing && low_ < -kOffZero * halfSwing;
    const bool silent = levels && (std::fabs(sum) < share * (high_ - low_) * half ||
                                   (offZero && std::fabs(heardLevel) < kSilentShare * halfSwing));
    quiet_ = silent;
    // The preamble's bits alternate: every earlier bit is the coming one or its opposite, and
    // what the echo does could not be told from the bit itself (learnt there, the shares
    // would be spread over all earlier bits and cut into the first codewords). Silence
    // carries no echo to learn from either.
    equaliser_.decided(sum > 0 ? 1.0 : -1.0, h1 + echo1, h2 + echo2, !acquiring && !silent && !learnsChannel_);
    if (learnsChannel_) {
        steep_.decided(sum > 0 ? 1.0 : -1.0, h1 + tail1, h2 + tail2);
        // The clock stops being pulled where the preamble ends. The rate it learnt there is
        // off by a few tenths of a per cent (half a bit over a batch); a pager's bit clock
        // comes from a crystal, so near the standard rate it runs at exactly that.
        if (steep_.holdsClock() && !rateHeld_) {
            rateHeld_ = true;
            if (std::fabs(step_ / nominalStep_ - 1.0) <= kCrystalRange) step_ = nominalStep_;
        }
    }

    if (havePrevious_ && !silent && (sum > 0) != (previousSum_ > 0) && !steep_.holdsClock()) {
        const double norm = 0.5 * (std::fabs(sum) + std::fabs(previousSum_));
        if (norm > 0) {
            // How late this bit's window lies, as a share of a bit.
            const double straddle = previousSecondHalf_ + h1;
            const double late = std::clamp(-0.5 * straddle / norm * (previousSum_ > 0 ? 1.0 : -1.0), -0.5, 0.5);
            phase_ += (acquiring ? kAcquireGain : kTrackGain) * late;
            step_ = std::clamp(step_ * (1.0 + kRateGain * late), nominalStep_ * (1.0 - kRateRange),
                               nominalStep_ * (1.0 + kRateRange));
            // A pull backwards leaves the phase below zero: the samples up to zero still
            // belong to the bit just finished and are simply not counted.
            if (phase_ < 0) phase_ = 0;
        }
    }
    if (baseline_.active()) {
        baseline_.decided(sum > 0 ? 1.0 : -1.0);
    } else if (baselineHz_ > 0) {
        // The baseline is followed from the middle of the preamble on: its alternating bits
        // leave none, so the feedback starts from rest and from bits decided right. Started
        // on the first bits, which the start of the restored signal may still push to one
        // side, it would hold the wrong baseline and with it every later bit.
        alternating_ = havePrevious_ && (sum > 0) != (previousSum_ > 0) ? alternating_ + 1 : 0;
        if (alternating_ >= kBaselineStartBits) {
            baseline_.start(baselineHz_, 1.0 / step_);
            // The levels from the preamble's middle and swing, not from the start's.
            high_ = meanLevel_ + meanSwing_;
            low_ = meanLevel_ - meanSwing_;
        }
    }
    havePrevious_ = !silent;
    previousSum_ = sum;
    previousSecondHalf_ = h2;

    // The bit's mean level updates the level of ones or of zeros.
    const double level = sum / (2.0 * half) + mid_;
    if (!silent && sum > 0) {
        high_ = haveHigh_ ? high_ + (level - high_) / kLevelBits : level;
        haveHigh_ = true;
    } else if (!silent) {
        low_ = haveLow_ ? low_ + (level - low_) / kLevelBits : level;
        haveLow_ = true;
    }
    double soft = sum > 0 ? 1.0 : -1.0;
    if (haveHigh_ && haveLow_) {
        mid_ = learnsChannel_ ? 0.0 : 0.5 * (high_ + low_);
        const double swing = 0.5 * (high_ - low_) * 2.0 * half;
        if (swing > 0) soft = std::clamp(sum / swing, -1.0, 1.0);
        if (soft == 0) soft = sum > 0 ? 1e-6 : -1e-6;
    }
    if (baselineHz_ > 0 && !baseline_.active()) {
        // Until the baseline is followed, the restored signal may still swing from its start,
        // further than the bits: levels taken from bits decided on it would cut the preamble
        // on one side for good. The preamble's bits alternate, so their mean level is the
        // middle, however the signal swings.
        meanLevel_ += (level - meanLevel_) / kPreambleMeanBits;
        meanSwing_ += (std::fabs(level - meanLevel_) - meanSwing_) / kPreambleMeanBits;
        mid_ = meanLevel_;
    }
    // Silence is never a bit heard, however far from the middle it lies.
    if (silent) soft = std::clamp(soft, -kSilentShare, kSilentShare);
    if (sum <= 0 && soft > 0) soft = -soft;
    if (steep_.learnt()) {
        // The bits come out of the channel's reader, a few bits late.
        if (steep_.reread().count > 0) {
            learnt(st, half);
            return;
        }
        if (!steep_.output(soft)) return;
    }
    st.bitRing[static_cast<std::size_t>(st.bitWrite)] = soft;
    st.bitWrite = (st.bitWrite + 1) % kPocsagRingSize;
}

}  // namespace kub
