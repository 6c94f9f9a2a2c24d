#pragma once
// A destination's outbox on disk: one file per waiting message, named by its place in
// line ("0000000000000042.json", 0600), in "Alarmierung-Ausgang/NAME/" of the program
// folder. A message is on disk (written, flushed, put in place, the folder flushed)
// before its first try, and its file goes when it is delivered; so a crash or a kill at
// any moment leaves each message either waiting whole or not yet posted. Messages refused
// for good move to "fehlgeschlagen/" beside them, the oldest going beyond a bound.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "alarm/alarm_entry.h"

namespace kub {

class AlarmOutbox {
public:
    AlarmOutbox(const std::string& programFolder, const std::string& targetName, std::size_t failedLimit);

    struct Waiting {
        std::uint64_t number = 0;  // place in line
        std::size_t bytes = 0;
    };
    struct Loaded {
        std::vector<Waiting> waiting;  // in line
        std::size_t failed = 0;
        std::uint64_t next = 1;  // the next message's number: after all waiting and failed ones
        std::vector<std::string> notices;  // German: what was found broken and left out
    };
    // What waits, in order. Side files of a write that never finished are removed; a file
    // that is not a whole message is left out and said.
    Loaded load();

    // Puts the message on disk durably. False (with the German reason) when it cannot.
    bool add(std::uint64_t number, const AlarmMessage& message, std::string& error);
    std::optional<AlarmMessage> read(std::uint64_t number) const;
    void remove(std::uint64_t number);
    // Into the "failed" list with the reason; the oldest there go beyond the bound.
    void refuse(std::uint64_t number, const AlarmMessage& message, const std::string& error, double seconds);
    std::size_t failedCount() const;

    const std::string& folder() const { return folder_; }

    // The folder name for a destination: what a file name may hold, "_" for the rest.
    static std::string folderName(const std::string& targetName);

private:
    std::string pathOf(std::uint64_t number) const;

    std::string folder_;
    std::string failedFolder_;
    std::size_t failedLimit_;
};

constexpr const char* kAlarmOutboxFolder = "Alarmierung-Ausgang";
constexpr const char* kAlarmFailedFolder = "fehlgeschlagen";

}  // namespace kub
