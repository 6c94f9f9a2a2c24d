#include "history/status_times_report.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <functional>
#include <map>

namespace kub {

namespace {

constexpr std::size_t kPage = 2000;
constexpr std::size_t kMaxIncidents = 100000;
// Telegrams looked at for a vehicle's last state before the range (speech requests and
// commands from the control room lie in between).
constexpr std::size_t kBeforeLookBack = 50;

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool isVehicleStatus(const ReceptionRecord& r) {
    return r.protocol == RecordProtocol::Fms && r.direction == 0 && r.status >= 0 && r.status <= 9 &&
           !r.kennung.empty();
}

// Every record of the query, oldest first, page by page. Moves on by time rather than by
// an ever larger offset, so a long range costs the store no more per page than a short
// one. False when more than `cap` came.
bool eachRecord(HistorySource& source, HistoryQuery query, std::size_t cap,
                const std::function<void(const ReceptionRecord&)>& take) {
    query.oldestFirst = true;
    query.limit = kPage;
    query.offset = 0;
    std::size_t seen = 0;
    for (;;) {
        const std::vector<ReceptionRecord> rows = source.search(query);
        for (const ReceptionRecord& r : rows) {
            if (++seen > cap) return false;
            take(r);
        }
        if (rows.size() < kPage) return true;
        const double last = rows.back().seconds;
        std::size_t atLast = 0;
        for (auto it = rows.rbegin(); it != rows.rend() && it->seconds == last; ++it) ++atLast;
        if (query.fromSeconds && *query.fromSeconds == last && atLast == rows.size()) {
            query.offset += atLast;
        } else {
            query.fromSeconds = last;
            query.offset = atLast;
        }
    }
}

}  // namespace

StatusTimesReport gatherStatusTimes(HistorySource& source, const std::string& kennung, double from, double to,
                                    const std::vector<AssignmentRecord>& assignments, double now) {
    StatusTimesReport report;
    report.from = from;
    report.to = to;
    std::map<std::string, StatusTimesInput> inputs;  // by Kennung in capitals
    try {
        HistoryQuery q;
        q.protocol = RecordProtocol::Fms;
        q.kennung = kennung;
        q.fromSeconds = from;
        q.toSeconds = std::max(from, std::min(to + kMissionLookAheadSeconds, now));
        bool tooManyVehicles = false;
        const bool complete = eachRecord(source, q, kMaxStatusRecords, [&](const ReceptionRecord& r) {
            if (!isVehicleStatus(r)) return;
            const std::string key = upper(r.kennung);
            auto it = inputs.find(key);
            if (it == inputs.end()) {
                if (inputs.size() >= kMaxStatusVehicles) {
                    tooManyVehicles = true;
                    return;
                }
                it = inputs.emplace(key, StatusTimesInput{}).first;
                it->second.kennung = r.kennung;
            }
            if (!r.vehicle.empty() && r.seconds < to) it->second.vehicle = r.vehicle;
            it->second.events.push_back({r.seconds, r.status});
        });
        if (!complete) {
            report.error = "Zu viele Statusmeldungen im Zeitraum (mehr als " + std::to_string(kMaxStatusRecords) +
                           "); bitte den Zeitraum verkürzen oder eine Kennung angeben.";
            return report;
        }
        if (tooManyVehicles) {
            report.error = "Mehr als " + std::to_string(kMaxStatusVehicles) +
                           " Fahrzeuge im Zeitraum; bitte eine Kennung angeben.";
            return report;
        }
        // One Kennung asked for by name is shown even when it sent nothing in the range.
        if (!kennung.empty() && kennung.find('*') == std::string::npos && !inputs.count(upper(kennung)))
            inputs.emplace(upper(kennung), StatusTimesInput{}).first->second.kennung = kennung;

        for (auto& [key, input] : inputs) {
            HistoryQuery b;
            b.protocol = RecordProtocol::Fms;
            b.kennung = input.kennung;
            b.toSeconds = from;
            b.limit = kBeforeLookBack;
            for (const ReceptionRecord& r : source.search(b)) {
                if (!isVehicleStatus(r) || upper(r.kennung) != key) continue;
                if (input.vehicle.empty()) input.vehicle = r.vehicle;
                if (!isVehicleState(r.status)) continue;
                input.before = StatusEvent{r.seconds, r.status};
                break;
            }
        }

        // Code in capitals → the Kennungen (in capitals) of the vehicles carrying it.
        std::map<std::string, std::vector<std::string>> carriers;
        for (const AssignmentRecord& a : assignments)
            if (inputs.count(upper(a.kennung))) carriers[upper(a.code)].push_back(upper(a.kennung));
        if (!carriers.empty()) {
            HistoryQuery e;
            e.protocol = RecordProtocol::Einsatz;
            e.fromSeconds = from - kAlarmToStatus3Seconds;
            e.toSeconds = to;
            const bool all = eachRecord(source, e, kMaxIncidents, [&](const ReceptionRecord& r) {
                if (r.probealarm) return;
                std::vector<std::string> called;
                for (const Einheit& u : r.einheiten)
                    for (const std::string& code : {u.ric, u.code}) {
                        if (code.empty()) continue;
                        const auto it = carriers.find(upper(code));
                        if (it != carriers.end()) called.insert(called.end(), it->second.begin(), it->second.end());
                    }
                std::sort(called.begin(), called.end());
                called.erase(std::unique(called.begin(), called.end()), called.end());
                for (const std::string& key : called) inputs[key].alarms.push_back(r.seconds);
            });
            if (!all) {
                report.error = "Zu viele Einsätze im Zeitraum (mehr als " + std::to_string(kMaxIncidents) +
                               "); bitte den Zeitraum verkürzen.";
                return report;
            }
        }
    } catch (const std::exception& ex) {
        report.error = std::string("Verlauf nicht lesbar: ") + ex.what();
        return report;
    }

    for (auto& [key, input] : inputs) report.vehicles.push_back(computeStatusTimes(input, from, to, now));
    std::stable_sort(report.vehicles.begin(), report.vehicles.end(),
                     [](const VehicleStatusTimes& a, const VehicleStatusTimes& b) {
                         if (a.vehicle.empty() != b.vehicle.empty()) return b.vehicle.empty();
                         return a.vehicle < b.vehicle;
                     });
    return report;
}

}  // namespace kub
