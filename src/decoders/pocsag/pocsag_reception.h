#pragma once
// The POCSAG receptions of one channel: every page (address with its function and the
// text of its message) is a reception of its own for the list, the log, the action
// program and the exports, unless its RIC was reported on the channel within the last
// 20 seconds. When the transmission has ended, the decoder goes back to hunting.

#include "core/reception_context.h"
#include "decoders/pocsag/pocsag_state.h"

namespace kub {

// Reception row of the POCSAG list and log: RIC, function, name, time, text (TAB-separated).
std::string pocsagRow(const std::string& ric, int function, const std::string& name,
                      const std::string& timeText, const std::string& text);

// Hands on the pages finished so far.
void reportPocsagPages(PocsagWordState& words, PocsagLastReception& last, ReceptionContext& context,
                       const char* channel = "left");

// The transmission has ended: closes the open page, hands on every page, starts hunting.
void reportPocsagTransmission(PocsagBitState& bits, PocsagWordState& words, PocsagLastReception& last,
                              ReceptionContext& context, const char* channel = "left");

}  // namespace kub
