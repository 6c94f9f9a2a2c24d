#pragma once
// The POCSAG receptions of one channel: every page (address with its function and the
// text of its message) is a reception of its own for the list, the log, the action
// program and the exports, unless its RIC was reported on the channel within the last
// 20 seconds.

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "core/reception_context.h"
#include "decoders/decoder_events.h"

namespace kub {

// What the handling remembers per channel for its repeat rule: when each RIC was last
// reported (clock seconds). Entries older than the repeat window are dropped, and there
// are never more than kPocsagRememberedRics.
constexpr std::size_t kPocsagRememberedRics = 1024;
struct PocsagRepeatMemory {
    std::vector<std::pair<std::string, double>> reported;
};

// Reception row of the POCSAG list and log: RIC, function, name, time, text (TAB-separated).
std::string pocsagRow(const std::string& ric, int function, const std::string& name,
                      const std::string& timeText, const std::string& text);

// Hands on one page heard on `channel`, unless it is a repeat.
void handlePocsagPage(ReceptionContext& context, PocsagRepeatMemory& memory, const PocsagPageEvent& page,
                      const std::string& channel);

}  // namespace kub
