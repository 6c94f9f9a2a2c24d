#pragma once
// One channel's FMS decoder (Module4 left, Module13 right): demodulation, telegram
// evaluation and reception handling for every captured block.

#include <cstdint>

#include "capture/decoder_inputs.h"
#include "common/reception_context.h"
#include "decoders/fms/fms_demodulator.h"
#include "decoders/fms/fms_telegram.h"

namespace kub {

class FmsDecoder final : public FmsBlockDecoder {
public:
    // Each channel gets its own dither sequence; the seed keeps runs repeatable.
    FmsDecoder(ReceptionContext& context, ChannelFlags& flags, std::uint32_t ditherSeed = 0x9E3779B9u)
        : demodulator(ditherSeed), context_(context), flags_(flags) {}

    void processFmsBuffer() override;

    FmsDemodulator demodulator;
    FmsTelegramState telegram;

private:
    ReceptionContext& context_;
    ChannelFlags& flags_;
};

}  // namespace kub
