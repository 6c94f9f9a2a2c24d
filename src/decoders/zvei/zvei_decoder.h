#pragma once

#include "capture/decoder_inputs.h"
#include "common/reception_context.h"

namespace kub {

// One channel's ZVEI detector (Module5 left, Module14 right).
class ZveiDecoder final : public ZveiBlockDecoder {
public:
    ZveiDecoder(ReceptionContext& context, ChannelFlags& flags) : context_(context), flags_(flags) {}
    void processZveiBuffer() override {}

private:
    [[maybe_unused]] ReceptionContext& context_;
    [[maybe_unused]] ChannelFlags& flags_;
};

}  // namespace kub
