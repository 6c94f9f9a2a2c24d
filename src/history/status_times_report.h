#pragma once
// The status times of every vehicle heard in a range (or of one Kennung), read from the
// stored receptions: the statuses in the range and a day after it, each vehicle's last
// status before it, and the incidents that called the units it carries
// ("ZVEI_FMS_Zuord.txt"). Bounded: a range holding more than kMaxStatusRecords statuses is
// refused with a German message instead of filling the memory.

#include <cstddef>
#include <string>
#include <vector>

#include "history/history_source.h"
#include "history/status_times.h"
#include "storage/receiver_list.h"

namespace kub {

struct StatusTimesReport {
    double from = 0;
    double to = 0;
    std::vector<VehicleStatusTimes> vehicles;  // by call name, then Kennung
    std::string error;                         // German; empty when all went well
};

constexpr std::size_t kMaxStatusRecords = 500000;
constexpr std::size_t kMaxStatusVehicles = 2000;

// `kennung` empty: every vehicle heard in the range; '*' matches any run of characters.
StatusTimesReport gatherStatusTimes(HistorySource& source, const std::string& kennung, double from, double to,
                                    const std::vector<AssignmentRecord>& assignments, double now);

}  // namespace kub
