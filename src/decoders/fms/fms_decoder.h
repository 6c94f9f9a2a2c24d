#pragma once
// One channel's FMS decoder (Module4 left, Module13 right): demodulation, telegram
// evaluation and reception handling for every captured block.

#include <cstdint>

#include "capture/decoder_inputs.h"
#include "common/band_pass_filter.h"
#include "core/reception_context.h"
#include "decoders/fms/fms_demodulator.h"
#include "decoders/fms/fms_telegram.h"

namespace kub {

class FmsDecoder final : public FmsBlockDecoder {
public:
    // Each channel gets its own dither sequence; the seed keeps runs repeatable.
    FmsDecoder(ReceptionContext& context, ChannelFlags& flags, std::uint32_t ditherSeed = 0x9E3779B9u)
        : demodulator(ditherSeed), inputFilter_(fmsBandPass()), context_(context), flags_(flags) {}

    // The band-pass every instance puts in front of its demodulator while the input
    // filter is on.
    static BandPassFilter fmsBandPass();

    void processFmsBuffer() override;

    FmsDemodulator demodulator;
    FmsTelegramState telegram;

private:
    // A tone call that has ended: List1 and a record ("I" or "II").
    void reportToneCall(const char* tone);

    // In front of the demodulator while the input filter is on: the band of the two FSK
    // tones and of the tone calls at 1750 and 2135 Hz.
    BandPassFilter inputFilter_;

    ReceptionContext& context_;
    ChannelFlags& flags_;
};

}  // namespace kub
