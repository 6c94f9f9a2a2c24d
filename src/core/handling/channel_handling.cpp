#include "core/handling/channel_handling.h"

#include "core/handling/fms_handling.h"

namespace kub {

ChannelEvents takeChannelEvents(DecoderSet& decoders) {
    return {decoders.fms().takeEvents(), decoders.zvei().takeEvents(), decoders.pocsag().takeEvents()};
}

void handleChannelEvents(ReceptionContext& context, const ChannelEvents& events, ChannelMemory& memory,
                         const std::string& channel) {
    for (const FmsEvent& event : events.fms) handleFmsEvent(context, event, channel);
    for (const ZveiCodeEvent& code : events.zvei) handleZveiCode(context, memory.zvei, code, channel);
    for (const PocsagPageEvent& page : events.pocsag) handlePocsagPage(context, memory.pocsag, page, channel);
}

}  // namespace kub
