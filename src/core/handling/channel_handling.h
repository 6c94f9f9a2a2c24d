#pragma once
// The reception handling of one channel: what its decoders decoded, in the order they ran
// (FMS, ZVEI, POCSAG), to each protocol's handling under the channel's name.

#include <string>
#include <vector>

#include "core/handling/pocsag_handling.h"
#include "core/handling/zvei_handling.h"
#include "core/reception_context.h"
#include "decoders/decoder_set.h"

namespace kub {

// What the handling remembers per channel.
struct ChannelMemory {
    ZveiRepeatMemory zvei;
    PocsagRepeatMemory pocsag;
};

// What a channel's decoders decoded, taken from them.
struct ChannelEvents {
    std::vector<FmsEvent> fms;
    std::vector<ZveiCodeEvent> zvei;
    std::vector<PocsagPageEvent> pocsag;
};

ChannelEvents takeChannelEvents(DecoderSet& decoders);

void handleChannelEvents(ReceptionContext& context, const ChannelEvents& events, ChannelMemory& memory,
                         const std::string& channel);

// Takes every event waiting in `decoders` and handles it.
inline void handleChannelEvents(ReceptionContext& context, DecoderSet& decoders, ChannelMemory& memory,
                                const std::string& channel) {
    handleChannelEvents(context, takeChannelEvents(decoders), memory, channel);
}

}  // namespace kub
