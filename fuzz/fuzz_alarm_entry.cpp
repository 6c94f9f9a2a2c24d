// A message in an alarm destination's outbox as the start-up reads it back: whatever the
// disk holds (a file cut short, another program's file, a hand edit) must end in a
// message or in nothing, never a crash; a message read back must write out the same.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "alarm/alarm_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto entry = kub::decodeAlarmEntry(bytes);
    if (!entry) return 0;
    const std::string again = kub::encodeAlarmEntry(*entry);
    const auto second = kub::decodeAlarmEntry(again);
    if (!second || kub::encodeAlarmEntry(*second) != again) std::abort();
    return 0;
}
