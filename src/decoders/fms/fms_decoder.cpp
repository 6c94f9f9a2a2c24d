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
                // Near the noise floor a single misread crossing breaks the telegram. Other
                // readings of its least certain bits are tried; one is taken only if it is
                // the only one that passes the check bits and is plausible.
                const bool rescued = demodulator.recutFirstTelegram([&] {
                    if (!fmsCheckBitsValid(bits)) return false;
                    FmsTelegramState trial;
                    std::int16_t busy = 0;
                    evaluateFmsTelegram(bits, trial, busy);
                    return fmsReceptionPlausible(trial);
                });
                if (rescued) due = evaluateFmsTelegram(bits, telegram, flags_.fmsBusyFlag);
            }
            if (due) handleFmsReception(context_, telegram, flags_.channel);
        }
    }
    // A tone call is reported once, as soon as it has lasted long enough.
    const bool toneI = demodulator.takeToneEventI();
    const bool toneII = demodulator.takeToneEventII();
    if (toneI) reportToneCall("I");
    if (toneII) reportToneCall("II");
}

void FmsDecoder::reportToneCall(const char* tone) {
    // The alert line in List1 is the window output's.
    ReceptionRecord record = context_.newRecord(RecordProtocol::Tonruf, flags_.channel);
    record.tone = tone;
    if (context_.reportedBySite(record)) return;
    context_.handOn(record);
}

}  // namespace kub
