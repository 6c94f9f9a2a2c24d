#pragma once
// What happens when a channel's POCSAG transmission has ended: one reception (first
// RIC, its function, last message text) for the list, the log, the action program and
// the exports, unless it repeats the channel's last one within 20 seconds. Then the
// decoder goes back to hunting.

#include "core/reception_context.h"
#include "decoders/pocsag/pocsag_state.h"

namespace kub {

// Reception row of the POCSAG list and log: RIC, function, name, time, text (TAB-separated).
std::string pocsagRow(const std::string& ric, int function, const std::string& name,
                      const std::string& timeText, const std::string& text);

void reportPocsagTransmission(PocsagBitState& bits, PocsagWordState& words, PocsagLastReception& last,
                              ReceptionContext& context, const char* channel = "left");

}  // namespace kub
