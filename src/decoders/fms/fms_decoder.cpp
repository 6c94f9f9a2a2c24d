#include "decoders/fms/fms_decoder.h"

#include "decoders/fms/fms_reception.h"

namespace kub {

void FmsDecoder::processFmsBuffer() {
    demodulator.removeDc(samples);
    demodulator.measureCrossings(samples);
    if (demodulator.syncState < 2 && flags_.fmsBusyFlag == 0) demodulator.search();
    if (demodulator.syncState == 2 || flags_.fmsBusyFlag == 1) {
        const int n = demodulator.sliceBits(flags_.fmsBusyFlag == 1);
        const FmsBits bits{demodulator.telegramBits.data(), demodulator.bitString.data(), n};
        if (evaluateFmsTelegram(bits, telegram, flags_.fmsBusyFlag)) handleFmsReception(context_, telegram);
    }
    // A tone call is reported once, when it has ended.
    if (demodulator.takeToneEventI()) addAlertLine(context_, AlertList::List1, "Tonruf I");
    if (demodulator.takeToneEventII()) addAlertLine(context_, AlertList::List1, "Tonruf II");
}

}  // namespace kub
