#include "history/status_times.h"

#include <algorithm>
#include <limits>

namespace kub {

namespace {

bool onMission(int state) { return state == 3 || state == 4 || state == 7 || state == 8; }

// The newest alarm at most kAlarmToStatus3Seconds before the status 3 and after the
// vehicle's previous status 3: one alarm serves one mission, so a vehicle that turns back
// and is sent again without a new alarm gets no alarm time for the second trip.
std::optional<double> alarmFor(const std::vector<double>& alarms, double status3, double previousStart) {
    std::optional<double> found;
    for (double a : alarms) {
        if (a > status3) break;
        if (a > previousStart && status3 - a <= kAlarmToStatus3Seconds) found = a;
    }
    return found;
}

}  // namespace

bool isVehicleState(int status) { return status >= 1 && status <= 9 && status != 5; }

std::optional<double> stepSeconds(const std::optional<double>& a, const std::optional<double>& b) {
    if (!a || !b || *b < *a) return std::nullopt;
    return *b - *a;
}

VehicleStatusTimes computeStatusTimes(const StatusTimesInput& input, double from, double to, double now) {
    VehicleStatusTimes out;
    out.kennung = input.kennung;
    out.vehicle = input.vehicle;
    const double end = std::max(from, std::min(to, now));

    int state = input.before && isVehicleState(input.before->status) ? input.before->status : 0;
    double since = from;
    // Counts the current state up to t, clipped to the range, and starts the next stretch.
    const auto close = [&](double t) {
        const double a = std::max(since, from);
        const double b = std::min(t, end);
        if (b > a) {
            out.seconds[static_cast<std::size_t>(state)] += b - a;
            if (!out.timeline.empty() && out.timeline.back().status == state && out.timeline.back().to == a)
                out.timeline.back().to = b;
            else
                out.timeline.push_back({state, a, b});
        }
        since = std::max(since, t);
    };

    // The mission under way. One that began before the range is followed to its end but
    // not listed: it belongs to the range its status 3 fell in.
    std::optional<Mission> current;
    bool listed = false;
    double previousStart = -std::numeric_limits<double>::infinity();
    if (onMission(state)) {
        current = Mission{};
        current->status3 = input.before->seconds;
        if (state != 3) current->status4 = input.before->seconds;
        previousStart = input.before->seconds;
    }
    const auto finish = [&](double t, int endStatus) {
        current->end = t;
        current->endStatus = endStatus;
        if (listed) out.missions.push_back(*current);
        current.reset();
        listed = false;
    };

    for (const StatusEvent& e : input.events) {
        if (e.seconds < from) continue;
        // Past the range only the end of a listed mission is still wanted.
        if (e.seconds >= to && !(current && listed)) break;
        if (!isVehicleState(e.status)) {
            if (e.seconds < end && e.status == 5) ++out.speechRequests;
            if (e.seconds < end && e.status == 0) ++out.emergencyCalls;
            continue;
        }
        // A repeated status changes nothing: the first one counts.
        if (e.status == state) continue;
        close(e.seconds);
        state = e.status;
        const double t = e.seconds;
        switch (state) {
            case 3:
                // From the road to the next incident (after 4, 7 or 8): the first mission
                // ends here and the next begins. A 3 after a 9 is the same mission.
                if (current && (current->status4 || current->status7 || current->status8)) finish(t, 3);
                if (!current) {
                    if (t >= to) break;
                    current = Mission{};
                    current->status3 = t;
                    current->alarm = alarmFor(input.alarms, t, previousStart);
                    previousStart = t;
                    listed = true;
                }
                break;
            case 4:
                if (current && !current->status4) current->status4 = t;
                break;
            case 7:
                if (current && !current->status7) current->status7 = t;
                break;
            case 8:
                if (current && !current->status8) current->status8 = t;
                break;
            case 1:
            case 2:
            case 6:
                if (current) finish(t, state);
                break;
            default:  // 9: no step of a mission
                break;
        }
    }
    close(end);
    if (current && listed) out.missions.push_back(*current);
    return out;
}

}  // namespace kub
