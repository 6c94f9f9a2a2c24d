#pragma once
// FMS bit recovery from one channel: no filters, no correlation. The period of the
// signal is measured at every zero crossing, the frequencies go into a ring, the
// preamble is a run of 1200 Hz values, and bits are cut by how many crossing values fit
// into them (two for a 1 at 1200 Hz, three for a 0 at 1800 Hz). The same ring yields the
// two single-tone calls (tone_call_detector.h).

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "common/sample_block.h"
#include "decoders/dither_source.h"
#include "decoders/fms/fms_bit_correlator.h"
#include "decoders/fms/fms_heard_audio.h"
#include "decoders/fms/fms_telegram.h"
#include "decoders/fms/tone_call_detector.h"

namespace kub {

// Where the preamble search stands.
enum class FmsSync : std::uint8_t {
    Searching,      // no preamble yet
    PreambleFound,  // a run of 1200 Hz values, not yet enough values behind it
    Ready,          // the telegram behind the preamble can be cut
};

class FmsDemodulator {
public:
    static constexpr int kRingSize = 1024;
    static_assert((kRingSize & (kRingSize - 1)) == 0, "the crossing measurement wraps the ring index by a mask");
    static constexpr int kFirstTelegramBits = 56;
    static constexpr int kFollowUpBits = 48;
    // Room for the longest cut and the terminating 0 of its bit string.
    static constexpr std::size_t kCutRoom = kFirstTelegramBits + 1;

    explicit FmsDemodulator(std::uint32_t ditherSeed = 0x9E3779B9u) : random_(ditherSeed) {}

    // DC removal in place over one block.
    void removeDc(SampleArray& samples);
    // Zero-crossing frequencies of one DC-free block into the ring.
    void measureCrossings(const SampleArray& samples);
    // Filters the block in place with `filter` and measures the crossings of its output in
    // the same pass (see BandPassFilter::process).
    template <typename Filter>
    void filterAndMeasureCrossings(SampleArray& samples, Filter& filter) {
        heard_.append(samples);
        correlator_.setShape(filter);
        Crossings c = startCrossings();
        filter.process(samples, c);
        endCrossings(c);
        correlator_.append(samples);
    }
    // Preamble and tone search; only while not slicing and no text transmission runs.
    // `checked`: every first telegram cut will be checked (check bits, band-pass), so a
    // shorter preamble will do.
    void search(bool checked = false);
    // Cuts 56 bits (48 while `busy`) into the bits of the last cut; returns the count. A
    // first telegram is cut only once all of it has arrived: until then 0, and the next
    // block's call goes on from where this one stopped. `checked` as for search().
    int sliceBits(bool busy, bool checked = false);

    // After a first telegram failed its check bits: cuts it again from the same values, from
    // one value earlier or later as well, with none, one or two of its least certain
    // decisions taken the other way, and hands every
    // cut that has wholly arrived to `accept`. If exactly one distinct bit string was
    // accepted, the correlation of the audio hears none of its bits surely the other way,
    // and its tones fit the audio (misfits), it replaces the telegram and true is
    // returned; two or more different ones are a guess, and nothing changes.
    template <typename Accept>
    bool recutFirstTelegram(Accept accept);
    // After the recut found nothing: reads the same first telegram again from the audio by
    // correlating each bit with the two tones (fms_bit_correlator.h), with the known sync
    // word set right. The reading is taken if it passes `accept` as heard; else, if its sync
    // word was heard right, one or two of its weakest bits are turned as in the recut, and
    // it is taken only if exactly one such reading passes. A reading through an echo
    // removal comes last, and only where the audio as heard hears none of its bits surely
    // the other way. Every reading taken must fit the audio with its tones (misfits).
    template <typename Accept>
    bool rereadFirstTelegram(Accept accept);
    // One reading by correlation taken as heard or, if `maxTurned` allows, with one or two
    // weak bits turned, under the rules of rereadFirstTelegram; else the failed cut is left
    // as it was.
    template <typename Accept>
    bool takeReading(const FmsBitCorrelator::Reading& heard, int maxTurned, Accept accept);
    // Whether a drop-out lies in the audio of the first telegram cut last, from its first
    // sync bit to its parity bit: silence in the preamble before it or behind it is not
    // counted. Its bits there are not what was sent, and a cut, recut or reread of them
    // that passes its check bits has found a telegram that was never sent. Looked for
    // behind the band-pass and, where the filter rings on over a short one, before it;
    // there without the first and the last bit: the window's ends may lie a few samples
    // off, so a short silence just beside the telegram would count, and silence over
    // those bits alone cannot make a wrong telegram pass (the sync word is known, and the
    // parity bit follows from all the others).
    bool lastCutHitByDropOut() const {
        return correlator_.holdsDropOut(firstBitSample(), kFirstTelegramBits) || heardDropOut().has_value();
    }

    // Whether the last first telegram, cut as it came and through a drop-out, is vouched
    // for all the same: the drop-out is short (hidden behind the band-pass) and leaves at
    // most kMaxBitsUnderDropOut bits unheard, and a reading by correlation at one clock
    // for the whole telegram agrees with the cut on every other bit, so the slicer did not
    // slip in the silence. The check bits catch every error of three bits or fewer: with
    // all other bits heard alike twice, a cut that passes them is the telegram sent.
    bool lastCutConfirmedAroundDropOut() const;

    // After a first telegram that nothing rescued: if it was cut where no sync word was
    // (two or more of its bits wrong), a false start (a tone, noise that looked like a
    // preamble), the search goes on from the value behind the cut's start, so that a
    // telegram the cut ran over is still found; true then. A cut that found its sync word
    // is a telegram, and the search goes on behind it.
    bool searchBehindFailedCut() {
        int wrong = 0;
        for (std::size_t i = 0; i < FmsBitCorrelator::kSyncWord.size(); ++i)
            wrong += telegramBits_[i] != FmsBitCorrelator::kSyncWord[i] ? 1 : 0;
        if (wrong < 2) return false;
        ringRead_ = static_cast<std::int16_t>((lastCutFrom_ + 1) & (kRingSize - 1));
        return true;
    }

    // A preamble was found and enough values behind it have arrived: the next slice cuts
    // the telegram.
    bool slicing() const { return syncState_ == FmsSync::Ready; }
    // The first `n` bits of the last cut, for the evaluation.
    FmsBits lastBits(int n) const { return FmsBits{telegramBits_.data(), bitString_.data(), n}; }

    // Tone-call events are taken once by whoever reports them.
    bool takeToneEventI();
    bool takeToneEventII();

    FmsSync syncState() const { return syncState_; }
    int ringRead() const { return ringRead_; }
    int ringWrite() const { return ringWrite_; }
    // The crossing value at ring position `i` (Hz, negative for a falling crossing).
    double crossing(int i) const { return crossingRing_[static_cast<std::size_t>(i & (kRingSize - 1))]; }
    // The last cut as '0', '1' and '2' (undecidable).
    const char* bitString() const { return bitString_.data(); }

private:
    // Tests place hand-made crossing values in the ring and start a slice on them
    // (FmsDemodulatorTestSeam in the demodulator's tests); nothing else writes the state.
    friend class FmsDemodulatorTestSeam;

    // The drop-outs before the band-pass over the last first telegram's bits, its first and
    // last bit left out (see lastCutHitByDropOut).
    std::optional<FmsHeardAudio::Span> heardDropOut() const {
        constexpr double bit = FmsBitCorrelator::kSamplesPerBit;
        const double first = firstBitSample();
        return heard_.dropOut(first + bit, first + (kFirstTelegramBits - 1) * bit);
    }

    // How many sync word bits `heard` hears wrong, all of them weak; -1 if one of them is
    // surely wrong.
    static int syncBitsHeardWrong(const FmsBitCorrelator::Reading& heard) {
        int wrong = 0;
        for (std::size_t i = 0; i < FmsBitCorrelator::kSyncWord.size(); ++i)
            if (heard.bits[i] != FmsBitCorrelator::kSyncWord[i]) {
                if (std::fabs(heard.soft[i]) >= kDoubtfulSoft) return -1;
                ++wrong;
            }
        return wrong;
    }
    // Whether `bits` (kFirstTelegramBits of them) go against a decision of `heard` behind
    // the sync word at least `sure` from the split. A reading that hears its sync word
    // with more than one bit wrong, or one surely wrong, is out of step with the telegram
    // (its clock a bit early or late) and speaks neither for nor against it.
    static bool contradicts(const std::uint8_t* bits, const FmsBitCorrelator::Reading& heard, double sure) {
        const int syncWrong = syncBitsHeardWrong(heard);
        if (syncWrong < 0 || syncWrong > 1) return false;
        for (int i = static_cast<int>(FmsBitCorrelator::kSyncWord.size()); i < kFirstTelegramBits; ++i) {
            const auto at = static_cast<std::size_t>(i);
            if (std::fabs(heard.soft[at]) >= sure && (heard.soft[at] > 0.0) != (bits[at] != 0)) return true;
        }
        return false;
    }
    // One of the sync word's three leading 0s heard as a 1, weakly, and every other sync
    // bit right: the mark of an echo, whose copy of the preamble's last 1s lies over them.
    // Noise turns any bit of the sync word alike.
    static bool hearsEchoMark(const FmsBitCorrelator::Reading& heard) {
        constexpr std::size_t kLeadingZeros = 3;
        if (syncBitsHeardWrong(heard) != 1) return false;
        for (std::size_t i = 0; i < kLeadingZeros; ++i)
            if (heard.bits[i] != FmsBitCorrelator::kSyncWord[i]) return true;
        return false;
    }
    // Whether the reading through the best-fitting echo removal (whose sync word is read
    // right) hears a bit of `bits` surely the other way. Without such a reading, nothing
    // speaks against them.
    bool echoReadingContradicts(const std::uint8_t* bits) const {
        FmsBitCorrelator::Reading echo;
        return correlator_.readThroughEcho(firstBitSample(), kFirstTelegramBits, echo) &&
               contradicts(bits, echo, kSureSoftThroughEcho);
    }

    // Whether the tones of `bits` at the clock of `clock`, through the echo that fits them
    // best, leave clearly more of the audio unexplained than the noise (fms_tone_fit.h).
    // The check bits cannot tell: among the many readings a rescue tries, one in 256
    // passes them by chance.
    bool misfits(const FmsBitCorrelator::Reading& clock, const std::uint8_t* bits) const {
        return correlator_.misfit(clock, bits, kFirstTelegramBits) > kMaxMisfit;
    }

    // A reading by correlation with more bits than this near the split between the tones
    // is too far gone for turning some of them (as kMaxCloseCalls in the recut).
    static constexpr double kDoubtfulSoft = 0.1;
    static constexpr int kMaxDoubtfulSoft = 8;
    // The recut and the reread try other readings of this many least certain decisions.
    static constexpr int kDoubtfulTried = 7;
    // A recut decision closer than this to the other way is a close call; a cut with more
    // close calls than kMaxCloseCalls is not recut.
    static constexpr double kCloseCallHz = 60.0;
    static constexpr int kMaxCloseCalls = 8;
    // At most this many bits of a reading differ from what was heard.
    static constexpr int kMaxTurned = 2;
    // A decision at least this far from the split is a sure one: a second reading that
    // hears a bit surely the other way speaks against a rescued telegram.
    static constexpr double kSureSoft = 0.35;
    // The same through an echo removal: its decisions come out surer, noise and all.
    static constexpr double kSureSoftThroughEcho = 0.4;
    // The telegram sent leaves little beyond the noise unexplained (below 0.09 of the
    // audio's power through noise at 2 dB, an echo or a Vorbis stream); those that passed
    // their check bits by chance left 0.17 or more, through a GSM telephone line too.
    static constexpr double kMaxMisfit = 0.125;
    // At most this many bits of a cut lie in a drop-out that still leaves it vouched for.
    static constexpr int kMaxBitsUnderDropOut = 3;
    // Marks a decision as already picked among the least certain.
    static constexpr double kPicked = 1e9;
    static constexpr double kSampleRateHz = kSampleRate;
    // The two tone calls.
    static constexpr double kToneIHz = 1750.0;
    static constexpr double kToneIIHz = 2135.0;

    // The crossing measurement over one block, one sample per call. A crossing comes every
    // few samples at no foreseeable one: a test per sample that decided whether to measure
    // would be guessed wrong at nearly every crossing. So the loop only keeps each dithered
    // sample and a flag whether it crossed zero; endCrossings() then measures the crossings
    // alone, in order, from the samples either side of each. A value of its own, so that
    // whoever runs it over a block can keep it in registers (see BandPassFilter::process).
    // Whether a sample crossed zero; not a character type, so that its stores are not taken
    // to change the measurement's own state.
    enum class Crossed : std::uint8_t { no = 0, yes = 1 };
    struct Crossings {
        double prevSample;
        DitherSource random;
        double* dithered;
        Crossed* crossed;
        int at = 0;  // samples of the block so far

        void operator()(double x) {
            // The dither keeps silence from sitting exactly on zero and crossing regularly.
            const double s = x + random.next() - 0.5;
            dithered[at] = s;
            crossed[at++] = static_cast<Crossed>((prevSample < 0.0) != (s < 0.0));
            prevSample = s;
        }
    };
    Crossings startCrossings() { return {prevSample_, random_, dithered_.data(), crossed_.data()}; }
    void endCrossings(const Crossings& c) {
        // Crossings alternate in direction: the first of the block leaves the sign the
        // block began with.
        bool upwards = prevSample_ < 0.0;
        // Per direction, the samples since its last crossing at the block's start; a
        // crossing k samples into the block then ends the period phase + k - 1 + t, where t
        // is the fraction of the sample the crossing lies behind it, and starts the next one
        // at 1 - t (as phase - k, so that the same sum goes on over the block).
        double rising = risingPhase_;
        double falling = fallingPhase_;
        const double before = prevSample_;
        prevSample_ = c.prevSample;
        random_ = c.random;
        int write = ringWrite_;
        const std::int64_t blockStart = samplesMeasured_;
        samplesMeasured_ += c.at;
        for (int from = 0; from < c.at; from += 64) {
            // One bit per sample, eight samples per multiplication: byte k of `eight` (0 or
            // 1) lands on bit 56 + k of the product, and nothing carries into those bits.
            std::uint64_t bits = 0;
            for (int k = 0; k < 64 && from + k < c.at; k += 8) {
                std::uint64_t eight = 0;
                std::memcpy(&eight, crossed_.data() + from + k, static_cast<std::size_t>(std::min(8, c.at - from - k)));
                bits |= ((eight * 0x0102040810204080u) >> 56) << k;
            }
            for (; bits != 0; bits &= bits - 1) {
                const int at = from + std::countr_zero(bits);
                const double prev = at == 0 ? before : dithered_[static_cast<std::size_t>(at - 1)];
                const double s = dithered_[static_cast<std::size_t>(at)];
                const double t = std::fabs(prev) / std::max(std::fabs(s - prev), 1.0);
                const double k = at;
                double& phase = upwards ? rising : falling;
                const double period = phase + k - 1.0 + t;
                phase = (1.0 - t) - k;
                // A falling crossing's frequency is negative.
                crossingRing_[static_cast<std::size_t>(write)] = upwards ? kSampleRateHz / period : -kSampleRateHz / period;
                crossingSample_[static_cast<std::size_t>(write)] = blockStart + at;
                upwards = !upwards;
                write = (write + 1) & (kRingSize - 1);
                ++valuesWritten_;
            }
        }
        risingPhase_ = rising + c.at;
        fallingPhase_ = falling + c.at;
        ringWrite_ = static_cast<std::int16_t>(write);
    }
    void feedToneCalls();
    // About where the last first telegram's first bit began: the first value above the
    // split is measured about half a bit into the first 0 bit.
    double firstBitSample() const {
        return static_cast<double>(crossingSample_[static_cast<std::size_t>(lastCutFrom_)]) -
               0.5 * FmsBitCorrelator::kSamplesPerBit;
    }
    // Cuts `n` bits from ring position `from`; returns the values they took. `forced`
    // (optional) holds per bit -1 for the slicer's own decision, else 0 or 1.
    int cutBits(int from, int n, const std::int8_t* forced = nullptr);

    // The ring of crossing frequencies and where the search and the slices stand in it.
    std::array<double, kRingSize> crossingRing_{};
    // The sample each ring value was measured at, counted from the start.
    std::array<std::int64_t, kRingSize> crossingSample_{};
    std::int64_t samplesMeasured_ = 0;
    // The same audio for a second reading of a telegram the crossings could not read.
    FmsBitCorrelator correlator_;
    // The channel before the band-pass, for drop-outs the filter hides.
    FmsHeardAudio heard_;
    std::int16_t ringWrite_ = 0;
    std::int16_t ringRead_ = 0;
    FmsSync syncState_ = FmsSync::Searching;
    std::int16_t toneEventI_ = 0;
    std::int16_t toneEventII_ = 0;
    std::array<std::uint8_t, kCutRoom> telegramBits_{};
    std::array<char, kCutRoom> bitString_{};  // n characters '0', '1', '2', then a terminating 0
    // How far each decision of the last cut was from going the other way (Hz); 0 for an
    // undecidable bit.
    std::array<double, kCutRoom> bitMargin_{};
    int bitCount_ = 0;

    double dcLevel_ = 0.0;
    double prevSample_ = 0.0;
    double risingPhase_ = 0.0;
    double fallingPhase_ = 0.0;

    // Where the last first telegram was cut from, and how many values had arrived there.
    int lastCutFrom_ = 0;
    int lastCutAvailable_ = 0;

    DitherSource random_;
    // The crossing measurement of the block under way (see Crossings).
    std::array<double, kBlockFrames> dithered_{};
    std::array<Crossed, kBlockFrames> crossed_{};
    // Every ring value goes to the tone-call detectors once, carried from search to
    // search, so a tone call longer than one block's crossings is seen as one run.
    std::uint64_t valuesWritten_ = 0;
    std::uint64_t toneCounted_ = 0;
    SteadyToneDetector toneI_{kToneIHz};
    SteadyToneDetector toneII_{kToneIIHz};
};

template <typename Accept>
bool FmsDemodulator::recutFirstTelegram(Accept accept) {
    constexpr int n = kFirstTelegramBits;
    constexpr int kDoubtful = kDoubtfulTried;
    std::array<std::uint8_t, kCutRoom> found{};
    int foundFrom = 0;
    int foundUsed = 0;
    int distinct = 0;
    std::array<std::int8_t, kCutRoom> forced{};
    // A noise spike in the preamble's last values, or a first 0 bit read too low, moves
    // where the telegram seems to begin: one value either way is tried as well.
    for (int shift = -1; shift <= 1 && distinct < 2; ++shift) {
        const int from = (lastCutFrom_ + shift + kRingSize) % kRingSize;
        const int arrived = lastCutAvailable_ - shift;
        cutBits(from, n);
        // The least certain decisions of this cut, most doubtful first.
        std::array<double, n> margin{};
        std::copy(bitMargin_.begin(), bitMargin_.begin() + n, margin.begin());
        const std::array<std::uint8_t, kCutRoom> original = telegramBits_;
        // A cut with many close calls is too far gone: among that many doubts a reading
        // that passes the check bits by chance is likelier than the one that was sent.
        if (std::count_if(margin.begin(), margin.end(), [](double m) { return m < kCloseCallHz; }) > kMaxCloseCalls)
            continue;
        std::array<int, kDoubtful> pos{};
        for (int d = 0; d < kDoubtful; ++d) {
            int best = 0;
            for (int i = 1; i < n; ++i)
                if (margin[static_cast<std::size_t>(i)] < margin[static_cast<std::size_t>(best)]) best = i;
            pos[static_cast<std::size_t>(d)] = best;
            margin[static_cast<std::size_t>(best)] = kPicked;
        }
        auto tryCut = [&]() {
            const int used = cutBits(from, n, forced.data());
            if (used + 2 > arrived) return;
            if (!accept()) return;
            if (distinct == 0 || !std::equal(found.begin(), found.begin() + n, telegramBits_.begin())) {
                ++distinct;
                found = telegramBits_;
                foundFrom = from;
                foundUsed = used;
            }
        };
        // The other way for an undecided bit is 0 or 1; for a decided bit, the other value.
        auto flipped = [&](int p, int alt) -> std::int8_t {
            const std::uint8_t b = original[static_cast<std::size_t>(p)];
            if (b == 2) return static_cast<std::int8_t>(alt);
            return static_cast<std::int8_t>(1 - b);
        };
        auto alternatives = [&](int p) { return original[static_cast<std::size_t>(p)] == 2 ? 2 : 1; };
        forced.fill(-1);
        if (shift != 0) tryCut();
        for (int a = 0; a < kDoubtful && distinct < 2; ++a)
            for (int x = 0; x < alternatives(pos[a]); ++x) {
                forced.fill(-1);
                forced[static_cast<std::size_t>(pos[a])] = flipped(pos[a], x);
                tryCut();
                for (int b = a + 1; b < kDoubtful && distinct < 2; ++b)
                    for (int y = 0; y < alternatives(pos[b]); ++y) {
                        forced[static_cast<std::size_t>(pos[b])] = flipped(pos[b], y);
                        tryCut();
                        forced[static_cast<std::size_t>(pos[b])] = -1;
                    }
            }
    }
    // The crossings and the correlation of the tones are two readings of the same audio. A
    // recut that passes its check bits while the correlation hears one of its bits surely
    // the other way is one of the many tries that pass by chance: through an echo the
    // crossings' close calls are not where the crossings went wrong.
    FmsBitCorrelator::Reading heard;
    if (distinct == 1 && correlator_.read(firstBitSample(), n, heard)) {
        if (contradicts(found.data(), heard, kSureSoft)) distinct = 0;
        // Where the correlation hears the mark of an echo in the sync word, the reading
        // through the echo removal that fits best is the surer second reading.
        if (hearsEchoMark(heard) && echoReadingContradicts(found.data())) distinct = 0;
        if (distinct == 1 && misfits(heard, found.data())) distinct = 0;
    }
    if (distinct != 1) {
        // Leave the failed cut as it was.
        cutBits(lastCutFrom_, n);
        return false;
    }
    telegramBits_ = found;
    for (int i = 0; i < n; ++i)
        bitString_[static_cast<std::size_t>(i)] = static_cast<char>('0' + found[static_cast<std::size_t>(i)]);
    bitString_[static_cast<std::size_t>(n)] = '\0';
    ringRead_ = static_cast<std::int16_t>((foundFrom + foundUsed) % kRingSize);
    return true;
}

template <typename Accept>
bool FmsDemodulator::rereadFirstTelegram(Accept accept) {
    const double near = firstBitSample();
    FmsBitCorrelator::Reading heard;
    const bool haveHeard = correlator_.read(near, kFirstTelegramBits, heard);
    if (haveHeard && takeReading(heard, kMaxTurned, accept)) return true;
    // Only when the audio as heard gives nothing: an echo removal that fits better is a
    // guess at the channel, and a reading that passes without it is the surer one. Through
    // that guess no bit is turned: the reading must pass exactly as it came out. Among some
    // three hundred removals the best fit is a search of its own, and in noise it finds
    // readings that pass the check bits by chance: it is taken only where the audio as
    // heard has no sure bit the other way.
    FmsBitCorrelator::Reading echo;
    if (!correlator_.readThroughEcho(near, kFirstTelegramBits, echo)) return false;
    if (haveHeard && contradicts(echo.bits.data(), heard, kSureSoft)) return false;
    return takeReading(echo, 0, accept);
}

template <typename Accept>
bool FmsDemodulator::takeReading(const FmsBitCorrelator::Reading& heard, int maxTurned, Accept accept) {
    constexpr int n = kFirstTelegramBits;
    constexpr int kDoubtful = kDoubtfulTried;
    using Bits = std::array<std::uint8_t, FmsBitCorrelator::kMaxBits>;
    auto put = [&](const Bits& bits) {
        for (int i = 0; i < n; ++i) {
            telegramBits_[static_cast<std::size_t>(i)] = bits[static_cast<std::size_t>(i)];
            bitString_[static_cast<std::size_t>(i)] =
                static_cast<char>('0' + bits[static_cast<std::size_t>(i)]);
        }
        bitString_[static_cast<std::size_t>(n)] = '\0';
    };
    const std::array<std::uint8_t, kCutRoom> failed = telegramBits_;
    auto giveUp = [&] {
        Bits b{};
        std::copy(failed.begin(), failed.begin() + n, b.begin());
        put(b);  // leaves the failed cut as it was, undecidable bits included
        return false;
    };
    // The sync word is known: a bit of it heard wrong, but only just, is set right, and
    // counts as one of the bits turned, so that no reading differs from what was heard by
    // more than two. Only decisions that were close calls are ever turned: a clean
    // telegram whose check bits fail was sent that way and stays unread.
    Bits bits = heard.bits;
    const auto& sync = FmsBitCorrelator::kSyncWord;
    const int turned = syncBitsHeardWrong(heard);
    if (turned < 0 || (turned > maxTurned - 1 && turned > 0)) return giveUp();
    std::copy(sync.begin(), sync.end(), bits.begin());
    // A reading with more doubtful bits than kMaxDoubtfulSoft is too far gone to be taken
    // even as heard (as kMaxCloseCalls in the recut): among that many doubts, check bits
    // that pass by chance are likelier than the telegram sent.
    const auto doubtful = std::count_if(
        heard.soft.begin() + static_cast<std::ptrdiff_t>(sync.size()), heard.soft.begin() + n,
        [](double s) { return std::fabs(s) < kDoubtfulSoft; });
    if (doubtful > kMaxDoubtfulSoft) return giveUp();
    put(bits);
    // Through an echo, the reading through the echo removal that fits best is the surer
    // second reading (as in the recut).
    bool taken = accept() && !(hearsEchoMark(heard) && echoReadingContradicts(bits.data()));
    // A sync word bit heard wrong is the mark of an echo (hearsEchoMark) or of a clock out
    // of step: the bits behind it are then heard wrong with confidence, not only where they
    // are weak, and turning the weakest finds readings that pass the check bits by chance
    // about as often as the one sent. Such a reading is taken only as it is, its sync word
    // set right.
    if (!taken && maxTurned > 0 && !hearsEchoMark(heard)) {
        // The weakest decisions behind the sync word, weakest first.
        std::array<double, n> weakness{};
        for (int i = 0; i < n; ++i)
            weakness[static_cast<std::size_t>(i)] =
                i < static_cast<int>(sync.size())
                    ? kPicked
                    : std::fabs(heard.soft[static_cast<std::size_t>(i)]);
        std::array<std::size_t, kDoubtful> pos{};
        std::size_t doubts = 0;
        for (; doubts < pos.size(); ++doubts) {
            const auto w = std::min_element(weakness.begin(), weakness.end());
            if (*w >= kDoubtfulSoft) break;
            pos[doubts] = static_cast<std::size_t>(w - weakness.begin());
            *w = kPicked;
        }
        Bits found{};
        int distinct = 0;
        auto tryTurned = [&](Bits trial) {
            put(trial);
            if (accept() && (distinct == 0 || trial != found)) {
                ++distinct;
                found = trial;
            }
        };
        for (std::size_t a = 0; a < doubts && distinct < 2; ++a) {
            Bits one = bits;
            one[pos[a]] ^= 1u;
            tryTurned(one);
            for (std::size_t b = a + 1; turned + 2 <= maxTurned && b < doubts && distinct < 2; ++b) {
                Bits two = one;
                two[pos[b]] ^= 1u;
                tryTurned(two);
            }
        }
        if (distinct != 1) return giveUp();
        put(found);
        taken = true;
    }
    if (taken && misfits(heard, telegramBits_.data())) taken = false;
    if (!taken) return giveUp();
    // The next search starts behind the telegram.
    int at = lastCutFrom_;
    while (at != ringWrite_ &&
           static_cast<double>(crossingSample_[static_cast<std::size_t>(at)]) < heard.endSample)
        at = (at + 1) & (kRingSize - 1);
    ringRead_ = static_cast<std::int16_t>(at);
    return true;
}

}  // namespace kub
