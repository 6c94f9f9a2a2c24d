#pragma once

#include "capture/decoder_inputs.h"
#include "common/reception_context.h"

namespace kub {

// One channel's FMS decoder (Module4 left, Module13 right).
class FmsDecoder final : public FmsBlockDecoder {
public:
    FmsDecoder(ReceptionContext& context, ChannelFlags& flags) : context_(context), flags_(flags) {}
    void processFmsBuffer() override {}

private:
    [[maybe_unused]] ReceptionContext& context_;
    [[maybe_unused]] ChannelFlags& flags_;
};

}  // namespace kub
