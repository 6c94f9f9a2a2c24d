#include "decoders/fms/fms_decoder.h"

#include <utility>

namespace kub {

namespace {
// The two FSK tones (1200 and 1800 Hz) and the tone calls (1750 and 2135 Hz) with room
// on either side.
constexpr double kBandLowHz = 1000.0;
constexpr double kBandHighHz = 2300.0;
// Fourth order on each side: sharper edges delay the two tones differently enough to
// move the crossings at every bit change, and the slicer loses more than it gains.
constexpr int kBandOrder = 4;
}  // namespace

BandPassFilter FmsDecoder::fmsBandPass() {
    return BandPassFilter(kBandLowHz, kBandHighHz, kBandOrder, kBandOrder);
}

std::vector<FmsEvent> FmsDecoder::takeEvents() {
    std::vector<FmsEvent> taken;
    taken.swap(events_);
    return taken;
}

bool FmsDecoder::rescueFirstTelegram(const FmsBits& bits) {
    // Near the noise floor a single misread crossing breaks the telegram. Other readings of
    // its least certain bits are tried; one is taken only if it is the only one that passes
    // the check bits and is plausible. Then the audio is read once more by correlation with
    // the two tones, under the same rules. Neither may mend a cut through a drop-out: two
    // turned bits can make the silence's run of zeros pass the check bits.
    if (demodulator_.lastCutHitByDropOut()) return false;
    const auto vouched = [&] {
        if (!fmsCheckBitsValid(bits)) return false;
        FmsTelegramState trial;
        bool busy = false;
        trial.evaluate(bits, busy);
        return fmsReceptionPlausible(trial);
    };
    return demodulator_.recutFirstTelegram(vouched) || demodulator_.rereadFirstTelegram(vouched);
}

void FmsDecoder::emitTelegram() {
    const FmsTelegramState& t = telegram_;
    events_.push_back(FmsTelegramEvent{t.kennung(), t.status(), t.tki(), t.direction(), t.text(),
                                       t.undecidablePosition(), flags_.blocks});
}

bool FmsDecoder::sliceAndReport(bool checked) {
    // 0: the telegram has not fully arrived; the next block goes on with it.
    const int n = demodulator_.sliceBits(flags_.fmsBusy, checked);
    if (n == 0) return false;
    const FmsBits bits = demodulator_.lastBits(n);
    const bool firstTelegram = !flags_.fmsBusy;
    bool due = telegram_.evaluate(bits, flags_.fmsBusy);
    bool searchAgain = false;
    // A first telegram that fails its check bits is dropped whole: it is not shown and, if
    // it seemed to announce a text, does not start a text transmission. Follow-up
    // telegrams carry no check bits of their own.
    if (firstTelegram && options_.fmsCheckBits && !fmsCheckBitsValid(bits)) {
        flags_.fmsBusy = false;
        due = rescueFirstTelegram(bits) && telegram_.evaluate(bits, flags_.fmsBusy);
        if (!due && checked) searchAgain = demodulator_.searchBehindFailedCut();
    } else if (firstTelegram && options_.fmsCheckBits && demodulator_.lastCutHitByDropOut() &&
               !demodulator_.lastCutConfirmedAroundDropOut()) {
        // The check bits passed, but some of the bits were cut from a squelch's silence:
        // one such cut in 256 passes by chance and names a vehicle that never sent. A
        // first telegram stands on its own: unless a second reading confirms every bit
        // outside a short drop-out, it is not shown, nor does it start a text. The window
        // is the telegram's own bits: silence in the preamble before it or behind its
        // parity bit costs nothing.
        flags_.fmsBusy = false;
        due = false;
    }
    if (due) emitTelegram();
    return searchAgain;
}

void FmsDecoder::process(const SampleArray& samples) {
    samples_ = samples;
    // The band-pass's high-pass half leaves no DC to remove.
    if (options_.inputFilter) {
        demodulator_.filterAndMeasureCrossings(samples_, inputFilter_);
    } else {
        demodulator_.removeDc(samples_);
        demodulator_.measureCrossings(samples_);
    }
    const bool checked = options_.inputFilter && options_.fmsCheckBits;
    // A cut from a false start goes back to the search behind that start at once: by the
    // next block, new values may have overwritten the ring there.
    for (int pass = 0; pass < kSearchesPerBlock; ++pass) {
        if (!demodulator_.slicing() && !flags_.fmsBusy) demodulator_.search(checked);
        if (!(demodulator_.slicing() || flags_.fmsBusy) || !sliceAndReport(checked)) break;
    }
    // A tone call is reported once, as soon as it has lasted long enough.
    if (demodulator_.takeToneEventI()) events_.push_back(ToneCallEvent{ToneCall::I, flags_.blocks});
    if (demodulator_.takeToneEventII()) events_.push_back(ToneCallEvent{ToneCall::II, flags_.blocks});
}

}  // namespace kub
