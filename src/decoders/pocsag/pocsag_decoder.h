#pragma once
// One channel's POCSAG decoder (Module12 left, Module15 right): bit recovery, codeword
// layer and reception handling over the channel's own long-lived state.

#include <cstdint>

#include "capture/decoder_inputs.h"
#include "common/hum_canceller.h"
#include "core/reception_context.h"
#include "decoders/pocsag/dither_source.h"
#include "decoders/pocsag/pocsag_filter.h"
#include "decoders/pocsag/pocsag_state.h"
#include "decoders/pocsag/pocsag_symbol_slicer.h"

namespace kub {

class PocsagDecoder final : public PocsagBlockDecoder {
public:
    PocsagDecoder(ReceptionContext& context, ChannelFlags& flags, std::uint64_t ditherSeed = 1);
    void processPocsagBuffer() override;

    const PocsagBitState& bitState() const { return bits_; }
    const PocsagWordState& wordState() const { return words_; }

private:
    ReceptionContext& context_;
    ChannelFlags& flags_;
    DitherSource dither_;
    PocsagLowPass lowPass_;
    // In front of the low-pass while the input filter is on.
    HumCanceller humCanceller_;
    std::uint64_t lastBlock_ = 0;  // the channel's block count at the last call
    int blocksSinceKept_ = 0;
    // The bit recovery of the improved path (with the input filter).
    PocsagSymbolSlicer slicer_;
    // A receiver's loudspeaker output is AC-coupled: runs of equal bits sag towards zero
    // and the bit sums of the slicer above lose their sign. A second slicer works on the
    // signal with the coupling undone, while the preamble is on; when it finds the sync
    // codeword and the first one has not (or with more wrong bits), the transmission is
    // read from it. A signal with its low frequencies intact reads wrongly there, so the
    // plain slicer keeps it.
    void sliceRestored(bool acquiring);
    void undoCoupling();
    // Fewest wrong bits of the sync codeword (either polarity) over the ring's new bits.
    static int syncErrors(const PocsagBitState& st, int from, std::uint32_t& reg);
    SampleArray restored_{};
    double couplingIn_ = 0;  // last input and output of the undoing filter
    double couplingOut_ = 0;
    PocsagSymbolSlicer restoredSlicer_;
    PocsagBitState restoredBits_;
    std::uint32_t restoredSync_ = 0;
    std::uint32_t plainSync_ = 0;
    int plainSyncErrors_ = 32;
    int restoredSyncErrors_ = 32;
    int restoredSyncAt_ = -1;  // ring index after the sync codeword found there
    bool useRestored_ = false;
    PocsagBitState bits_;
    PocsagWordState words_;
    PocsagLastReception last_;
};

}  // namespace kub
