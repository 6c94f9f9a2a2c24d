#include "decoders/pocsag/pocsag_decoder.h"

#include "decoders/pocsag/pocsag_bits.h"
#include "decoders/pocsag/pocsag_reception.h"
#include "decoders/pocsag/pocsag_words.h"

namespace kub {

PocsagDecoder::PocsagDecoder(ReceptionContext& context, ChannelFlags& flags, std::uint64_t ditherSeed)
    : context_(context), flags_(flags), dither_(ditherSeed) {
    // Room for the longest message text and the pages of a few batches.
    words_.page.text.reserve(1024);
    words_.finishedPages.reserve(32);
}

void PocsagDecoder::processPocsagBuffer() {
    const DecoderOptions& options = context_.options;
    if (options.inputFilter) {
        lowPass_.setCorner(bits_.pocsagState > Hunting ? PocsagLowPass::cornerFor(bits_.samplesPerBit)
                                                       : PocsagLowPass::kHuntingHz);
    }
    ditherAndMeasureRuns(bits_, samples, dither_, options.inputFilter ? &lowPass_ : nullptr);
    trackBitLength(bits_, options.pocsagBatchAwareEnd);
    if (bits_.pocsagState > Hunting) {
        if (!options.inputFilter) {
            sliceRuns(bits_);
        } else {
            if (!bits_.transmissionEnded) slicer_.slice(bits_, samples, bits_.pocsagState == Preamble);
            // The runs are sliced by the clock now; should the setting be switched off in
            // the middle of a transmission, the run slicer must not go back over them.
            bits_.sliceRead = bits_.runWrite;
        }
    }
    runCodewordLayer(bits_, words_, options);
    // A page is reported as soon as the next address or an idle has closed it: the
    // first alarm of a long transmission need not wait for the last.
    if (!words_.finishedPages.empty()) reportPocsagPages(words_, last_, context_, flags_.channel);
    if (bits_.transmissionEnded && bits_.pocsagState > Hunting) {
        reportPocsagTransmission(bits_, words_, last_, context_, flags_.channel);
    }
    if (bits_.pocsagState == Hunting) slicer_.reset();
    flags_.pocsagBusyFlag = bits_.pocsagState > Preamble ? 1 : 0;
}

}  // namespace kub
