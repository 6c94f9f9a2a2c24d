#pragma once
// One message as it lies in a destination's outbox: a JSON object of its own, written
// whole to a side file and then put in place, so what is read back is either the whole
// message or (a file damaged outside our hands) refused, never half of one.

#include <optional>
#include <string>
#include <string_view>

#include "alarm/alarm_message.h"

namespace kub {

// A message as it waits, or as it was refused for good (then with the reason, in German,
// and when it was refused).
struct AlarmEntry {
    AlarmMessage message;
    std::string error;
    double refusedSeconds = 0;
};

std::string encodeAlarmEntry(const AlarmEntry& entry);
// Nothing for bytes that are not a whole entry of ours.
std::optional<AlarmEntry> decodeAlarmEntry(std::string_view bytes);

// What a message costs on disk: what post() weighs against the limit.
std::size_t alarmEntryBytes(const AlarmMessage& message);

}  // namespace kub
