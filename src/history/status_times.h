#pragma once
// How long each vehicle spent in each FMS status, and its missions (from status 3 to its
// return), worked out from the statuses it sent and the incidents that called its units.
// Pure: everything comes in as plain values, nothing is looked up. The rules for gaps
// (missing statuses, repeated ones, missions across the range's edges) are in
// docs/status-times.md; the code below follows them line by line.

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace kub {

// An alarm counts for a mission when it came at most this long before the status 3.
constexpr double kAlarmToStatus3Seconds = 30 * 60;
// Statuses up to this long after the range still end a mission that began in it.
constexpr double kMissionLookAheadSeconds = 24 * 3600;

// One status a vehicle sent (direction vehicle → control room only).
struct StatusEvent {
    double seconds = 0;
    int status = -1;  // 0..9
};

// The states a vehicle can be in. 0 (emergency call) and 5 (speech request) are requests:
// the vehicle stays in the state it was in.
bool isVehicleState(int status);

struct Mission {
    std::optional<double> alarm;  // the incident that called one of its units
    double status3 = 0;
    std::optional<double> status4, status7, status8;
    std::optional<double> end;  // the status that ended it
    int endStatus = -1;         // 1, 2, 6 or 3 (a new mission from the road); -1 while open

    bool open() const { return !end.has_value(); }
};

// A stretch of the timeline in one state; status 0 means not known.
struct StatusSegment {
    int status = 0;
    double from = 0;
    double to = 0;
};

struct VehicleStatusTimes {
    std::string kennung;
    std::string vehicle;  // call name, as the last reception carried it
    // Seconds in status 1..9 within the range (index = status; 0 = not known, 5 unused).
    std::array<double, 10> seconds{};
    int speechRequests = 0;   // status 5 within the range
    int emergencyCalls = 0;   // status 0 within the range
    std::vector<Mission> missions;
    std::vector<StatusSegment> timeline;  // within the range, in order
};

struct StatusTimesInput {
    std::string kennung;
    std::string vehicle;
    // The last state it sent before the range, if any.
    std::optional<StatusEvent> before;
    // What it sent from the range's start on (also after its end, for the look-ahead),
    // oldest first.
    std::vector<StatusEvent> events;
    // Times of the incidents that called one of its units (not probe alarms), oldest first.
    std::vector<double> alarms;
};

// The range is [from, to); `now` cuts it where it reaches into the future.
VehicleStatusTimes computeStatusTimes(const StatusTimesInput& input, double from, double to, double now);

// One step's duration, when both ends are known and in order.
std::optional<double> stepSeconds(const std::optional<double>& a, const std::optional<double>& b);

}  // namespace kub
