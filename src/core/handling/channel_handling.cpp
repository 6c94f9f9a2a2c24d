#include "core/handling/channel_handling.h"

#include "core/handling/fms_handling.h"

namespace kub {

void handleChannelEvents(ReceptionContext& context, DecoderSet& decoders, ChannelMemory& memory,
                         const std::string& channel) {
    for (const FmsEvent& event : decoders.fms().takeEvents()) handleFmsEvent(context, event, channel);
    for (const ZveiCodeEvent& code : decoders.zvei().takeEvents()) handleZveiCode(context, memory.zvei, code, channel);
    for (const PocsagPageEvent& page : decoders.pocsag().takeEvents())
        handlePocsagPage(context, memory.pocsag, page, channel);
}

}  // namespace kub
