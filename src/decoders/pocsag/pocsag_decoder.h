#pragma once
// One channel's POCSAG decoder (Module12 left, Module15 right): bit recovery, codeword
// layer and reception handling over the channel's own long-lived state.

#include <cstdint>

#include "capture/decoder_inputs.h"
#include "core/reception_context.h"
#include "common/hum_canceller.h"
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
    PocsagBitState bits_;
    PocsagWordState words_;
    PocsagLastReception last_;
};

}  // namespace kub
