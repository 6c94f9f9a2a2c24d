#pragma once

#include "capture/decoder_inputs.h"
#include "common/reception_context.h"

namespace kub {

// One channel's POCSAG decoder (Module12 left, Module15 right).
class PocsagDecoder final : public PocsagBlockDecoder {
public:
    PocsagDecoder(ReceptionContext& context, ChannelFlags& flags) : context_(context), flags_(flags) {}
    void processPocsagBuffer() override {}

private:
    [[maybe_unused]] ReceptionContext& context_;
    [[maybe_unused]] ChannelFlags& flags_;
};

}  // namespace kub
