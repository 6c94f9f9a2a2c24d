#include "decoders/fms/fms_demodulator.h"

#include <cmath>

namespace kub {

namespace {
constexpr int kRing = FmsDemodulator::kRingSize;
inline int wrap(int i) { return ((i % kRing) + kRing) % kRing; }

// The DC level follows the block with this weight per sample (a time constant of about
// 45 ms): slow enough to leave the 1200 Hz tone whole.
constexpr double kDcWeight = 0.001;
// The preamble: more than kPreambleRun crossing values in a row between these bounds
// (1200 Hz, the 1 bit, within 100 Hz). Where every first telegram is checked (its check
// bits, and a rescue's reading against the audio), a shorter run will do: near the noise
// floor a single value outside the bounds breaks a run, and at 2 dB the longer run missed
// about one preamble in twelve. What the shorter one finds in noise or speech is cut, fails
// its check bits and is dropped.
constexpr double kPreambleLowHz = 1100.0;
constexpr double kPreambleHighHz = 1300.0;
constexpr int kPreambleRun = 10;
constexpr int kCheckedPreambleRun = 8;
// Values that must have arrived behind the preamble before a telegram is cut (56 bits
// take at most 168), and how many the next search goes back, so that a preamble that
// straddles two blocks is still found.
constexpr int kValuesForATelegram = 200;
constexpr int kSearchOverlap = 20;
// Bit decisions on the crossing frequencies: three values above kZeroEachHz whose mean is
// above kSplitHz are a 0 (1800 Hz); otherwise two values below kUndecidableHz whose mean is
// below kSplitHz are a 1 (1200 Hz); anything else cannot be decided.
constexpr double kZeroEachHz = 1300.0;
constexpr double kSplitHz = 1500.0;
constexpr double kUndecidableHz = 1700.0;
// The first value above this is the telegram's first 0 bit, after the preamble's 1s.
// Where every first telegram is checked, the value after it must be above too: a 0 bit
// gives three values near 1800 Hz, a noise spike in the preamble one, and a cut started
// there is lost.
constexpr double kFirstZeroHz = 1400.0;
// Crossing values a bit takes: a 0 (1800 Hz) three, a 1 (1200 Hz) two, an undecidable
// bit one, so that the next bit starts on the value after it.
constexpr int kValuesOfZero = 3;
constexpr int kValuesOfOne = 2;
constexpr int kValuesOfUndecidable = 1;
}  // namespace

void FmsDemodulator::removeDc(SampleArray& samples) {
    // The level in a local: written through the block, the member would be stored and
    // reloaded at every sample.
    double level = dcLevel_;
    for (double& x : samples) {
        level = (1.0 - kDcWeight) * level + kDcWeight * x;
        x -= level;
    }
    dcLevel_ = level;
}

void FmsDemodulator::measureCrossings(const SampleArray& samples) {
    heard_.append(samples);
    Crossings c = startCrossings();
    for (const double x : samples) c(x);
    endCrossings(c);
    correlator_.append(samples);
}

void FmsDemodulator::feedToneCalls() {
    // Values older than one ring are gone; a run cannot continue across them.
    if (valuesWritten_ - toneCounted_ > static_cast<std::uint64_t>(kRing)) {
        toneCounted_ = valuesWritten_ - static_cast<std::uint64_t>(kRing);
        toneI_.interrupt();
        toneII_.interrupt();
    }
    const int newValues = static_cast<int>(valuesWritten_ - toneCounted_);
    const int at = wrap(ringWrite_ - newValues);
    // The two detectors know nothing of each other: one after the other over the new values.
    toneI_.add(crossingRing_.data(), kRing, at, newValues);
    toneII_.add(crossingRing_.data(), kRing, at, newValues);
    toneCounted_ = valuesWritten_;
    if (toneI_.takeEvent()) toneEventI_ = 1;
    if (toneII_.takeEvent()) toneEventII_ = 1;
}

void FmsDemodulator::search(bool checked) {
    const int run = checked ? kCheckedPreambleRun : kPreambleRun;
    int k = 0;
    int l = 0;
    int available = ringWrite_ - ringRead_;
    if (ringRead_ > ringWrite_) available += kRing;

    if (syncState_ == FmsSync::Searching) {
        do {
            const double v = std::fabs(crossingRing_[static_cast<std::size_t>(wrap(ringRead_ + l))]);
            ++l;
            if (v > kPreambleLowHz && v < kPreambleHighHz) ++k;
            else k = 0;
        } while (!(k > run || l >= available));
    }

    feedToneCalls();

    if (syncState_ == FmsSync::Searching && k > run) {
        ringRead_ = static_cast<std::int16_t>(wrap(ringRead_ + l));
        syncState_ = FmsSync::PreambleFound;
    } else if (syncState_ == FmsSync::Searching) {
        // Start the next search on the last 20 values, so a preamble that straddles two
        // blocks is still found.
        ringRead_ = static_cast<std::int16_t>(wrap(ringRead_ + available - kSearchOverlap));
    }
    if (syncState_ == FmsSync::PreambleFound && available - l > kValuesForATelegram) syncState_ = FmsSync::Ready;
}

int FmsDemodulator::cutBits(int from, int n, const std::int8_t* forced) {
    int offset = 0;
    for (int b = 0; b < n; ++b) {
        const double p = std::fabs(crossingRing_[static_cast<std::size_t>(wrap(from + offset))]);
        const double q = std::fabs(crossingRing_[static_cast<std::size_t>(wrap(from + offset + 1))]);
        const double r = std::fabs(crossingRing_[static_cast<std::size_t>(wrap(from + offset + 2))]);
        std::uint8_t bit;
        double margin;
        if (p > kZeroEachHz && q > kZeroEachHz && r > kZeroEachHz && (p + q + r) / 3.0 > kSplitHz) {
            bit = 0;
            margin = std::min(std::min(p, std::min(q, r)) - kZeroEachHz, (p + q + r) / 3.0 - kSplitHz);
        } else if (p >= kUndecidableHz || q >= kUndecidableHz || (p + q) / 2.0 >= kSplitHz) {
            bit = 2;
            margin = 0.0;
        } else {
            bit = 1;
            margin = std::min(std::min(kUndecidableHz - p, kUndecidableHz - q), kSplitHz - (p + q) / 2.0);
        }
        if (forced != nullptr && forced[b] >= 0) bit = static_cast<std::uint8_t>(forced[b]);
        offset += bit == 0 ? kValuesOfZero : bit == 1 ? kValuesOfOne : kValuesOfUndecidable;
        telegramBits_[static_cast<std::size_t>(b)] = bit;
        bitString_[static_cast<std::size_t>(b)] = static_cast<char>('0' + bit);
        bitMargin_[static_cast<std::size_t>(b)] = margin;
    }
    bitString_[static_cast<std::size_t>(n)] = '\0';
    return offset;
}

int FmsDemodulator::sliceBits(bool busy, bool checked) {
    const int available = wrap(ringWrite_ - ringRead_);
    if (!busy) {
        // A telegram is cut only from values that have arrived. Beyond the newest value
        // the ring still holds audio of one pass ago: a lead-in longer than the search
        // looks ahead (a long preamble, tones in the preamble band) would otherwise have
        // the telegram behind it cut from that old audio, so that it is lost or, worse,
        // reported with wrong bits, depending on where the blocks happen to begin.
        int start = 0;
        auto value = [&](int i) { return std::fabs(crossingRing_[static_cast<std::size_t>(wrap(ringRead_ + i))]); };
        while (start < available && (value(start) <= kFirstZeroHz ||
                                     (checked && start + 1 < available && value(start + 1) <= kFirstZeroHz)))
            ++start;
        if (start == available) {
            ringRead_ = ringWrite_;  // still the lead-in: the first 0 bit is yet to come
            return 0;
        }
        lastCutFrom_ = wrap(ringRead_ + start);
        lastCutAvailable_ = available - start;
        const int used = cutBits(lastCutFrom_, kFirstTelegramBits);
        // The last bit's decision looks two values ahead.
        if (start + used + 2 > available) {
            ringRead_ = static_cast<std::int16_t>(wrap(ringRead_ + start));
            return 0;  // the rest of the telegram comes with the next block
        }
        bitCount_ = kFirstTelegramBits;
        syncState_ = FmsSync::Searching;
        ringRead_ = static_cast<std::int16_t>(wrap(ringRead_ + start + used));
        return kFirstTelegramBits;
    }

    // Follow-up telegrams of a text transmission are cut at once, from whatever the ring
    // holds: a transmission that broke off must still come to its end.
    int consumed = 0;
    // Skip to the first 0 bit.
    double v = 0.0;
    do {
        v = std::fabs(crossingRing_[static_cast<std::size_t>(ringRead_)]);
        ringRead_ = static_cast<std::int16_t>((ringRead_ + 1) % kRing);
        ++consumed;
    } while (!(v > kFirstZeroHz || ringRead_ == ringWrite_));
    ringRead_ = static_cast<std::int16_t>(wrap(ringRead_ - 1));
    --consumed;

    const int n = kFollowUpBits;
    const int offset = cutBits(ringRead_, n);
    bitCount_ = n;
    syncState_ = FmsSync::Searching;
    ringRead_ = static_cast<std::int16_t>(wrap(ringRead_ + offset));
    // A slice that ran past the newest value has read entries from the previous pass
    // around the ring. The next search must not start there: it would scan that old
    // audio once more and could report a telegram that was already shown.
    if (consumed + offset > available) ringRead_ = ringWrite_;
    return n;
}

bool FmsDemodulator::lastCutConfirmedAroundDropOut() const {
    constexpr double bit = FmsBitCorrelator::kSamplesPerBit;
    const double first = firstBitSample();
    if (correlator_.holdsDropOut(first, kFirstTelegramBits)) return false;
    const auto quiet = heardDropOut();
    if (!quiet) return true;
    // The bits the silence touches, and the one behind it, where the band-pass still rings.
    const int from = static_cast<int>(std::floor((static_cast<double>(quiet->from) - first) / bit));
    const int to = static_cast<int>(std::floor((static_cast<double>(quiet->to) - 1.0 - first) / bit)) + 2;
    if (to - from > kMaxBitsUnderDropOut) return false;
    FmsBitCorrelator::Reading heard;
    if (!correlator_.read(first, kFirstTelegramBits, heard)) return false;
    for (int i = 0; i < kFirstTelegramBits; ++i)
        if ((i < from || i >= to) && heard.bits[static_cast<std::size_t>(i)] != telegramBits_[static_cast<std::size_t>(i)])
            return false;
    return true;
}

bool FmsDemodulator::takeToneEventI() {
    const bool e = toneEventI_ != 0;
    toneEventI_ = 0;
    return e;
}

bool FmsDemodulator::takeToneEventII() {
    const bool e = toneEventII_ != 0;
    toneEventII_ = 0;
    return e;
}

}  // namespace kub
