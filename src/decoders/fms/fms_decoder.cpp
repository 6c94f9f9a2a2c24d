#include "decoders/fms/fms_decoder.h"

#include "decoders/fms/fms_reception.h"

namespace kub {

BandPassFilter FmsDecoder::fmsBandPass() {
    // Fourth order on each side: sharper edges delay the two tones differently enough to
    // move the crossings at every bit change, and the slicer loses more than it gains.
    return BandPassFilter(1000.0, 2300.0, 4, 4);
}

void FmsDecoder::processFmsBuffer() {
    // The band-pass's high-pass half leaves no DC to remove.
    if (context_.options.inputFilter) {
        demodulator.filterAndMeasureCrossings(samples, inputFilter_);
    } else {
        demodulator.removeDc(samples);
        demodulator.measureCrossings(samples);
    }
    if (demodulator.syncState < 2 && flags_.fmsBusyFlag == 0) demodulator.search();
    if (demodulator.syncState == 2 || flags_.fmsBusyFlag == 1) {
        // 0: the telegram has not fully arrived; the next block goes on with it.
        if (const int n = demodulator.sliceBits(flags_.fmsBusyFlag == 1); n > 0) {
            const FmsBits bits{demodulator.telegramBits.data(), demodulator.bitString.data(), n};
            const bool firstTelegram = flags_.fmsBusyFlag == 0;
            bool due = evaluateFmsTelegram(bits, telegram, flags_.fmsBusyFlag);
            // A first telegram that fails its check bits is dropped whole: it is not shown
            // and, if it seemed to announce a text, does not start a text transmission.
            // Follow-up telegrams carry no check bits of their own.
            if (firstTelegram && context_.options.fmsCheckBits && !fmsCheckBitsValid(bits)) {
                flags_.fmsBusyFlag = 0;
                due = false;
            }
            if (due) handleFmsReception(context_, telegram);
        }
    }
    // A tone call is reported once, when it has ended.
    if (demodulator.takeToneEventI()) addAlertLine(context_, AlertList::List1, "Tonruf I");
    if (demodulator.takeToneEventII()) addAlertLine(context_, AlertList::List1, "Tonruf II");
}

}  // namespace kub
