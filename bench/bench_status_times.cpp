// What the status times cost on our side, the store left out (the history is in memory):
// one vehicle over a year (a mission every three hours, alarm, 3, 4, 7, 8, 1, 2) and a
// district's day (200 vehicles), each read, computed and written as the web page's JSON;
// the time in the store is measured apart and left out. Goal: one vehicle's year well under a second, a district's day well under 100 ms.
//   ./build/bench/bench_status_times

#include <chrono>
#include <cstdio>
#include <string>

#include "history/history_dates.h"
#include "history/status_times_report.h"
#include "history/status_times_text.h"
#include "support/memory_history.h"

namespace {

constexpr double kStart = 1767225600;  // 1 January 2026, 00:00 UTC

// `days` of missions every three hours for `vehicles` vehicles, staggered by a minute.
void fill(kubtest::MemoryHistory& h, int vehicles, int days) {
    const int steps[] = {3, 4, 7, 8, 1, 2};
    for (int v = 0; v < vehicles; ++v) {
        const std::string kennung = std::to_string(62340000 + v);
        for (double t = kStart + v * 60; t < kStart + days * 86400.0; t += 3 * 3600) {
            kub::ReceptionRecord incident;
            incident.protocol = kub::RecordProtocol::Einsatz;
            incident.seconds = t - 90;
            incident.einheiten.push_back({std::to_string(1000000 + v), 3, "", "", 0});
            h.add(incident);
            for (int i = 0; i < 6; ++i) {
                kub::ReceptionRecord r;
                r.protocol = kub::RecordProtocol::Fms;
                r.kennung = kennung;
                r.vehicle = "HLF " + std::to_string(v);
                r.direction = 0;
                r.status = steps[i];
                r.seconds = t + i * 600;
                h.add(r);
            }
        }
    }
}

// Time spent in the store, to tell it from ours.
struct TimedSource final : kub::HistorySource {
    kub::HistorySource* inner = nullptr;
    double ms = 0;
    std::size_t searches = 0;
    std::vector<kub::ReceptionRecord> search(const kub::HistoryQuery& q) override {
        const auto t0 = std::chrono::steady_clock::now();
        auto rows = inner->search(q);
        ms += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        ++searches;
        return rows;
    }
};

double run(kubtest::MemoryHistory& memory, const std::string& kennung, double from, double to, int vehicles,
           std::size_t& missions, std::size_t& bytes) {
    std::vector<kub::AssignmentRecord> units;
    for (int v = 0; v < vehicles; ++v) units.push_back({std::to_string(62340000 + v), std::to_string(1000000 + v), ""});
    TimedSource h;
    h.inner = &memory;
    const auto t0 = std::chrono::steady_clock::now();
    const kub::StatusTimesReport r = kub::gatherStatusTimes(h, kennung, from, to, units, to + 86400);
    bytes = kub::statusTimesJson(r, true).size();
    const auto t1 = std::chrono::steady_clock::now();
    missions = 0;
    for (const auto& v : r.vehicles) missions += v.missions.size();
    const double all = std::chrono::duration<double, std::milli>(t1 - t0).count();
    std::printf("  %zu searches, %.1f ms of them in the in-memory store\n", h.searches, h.ms);
    return all - h.ms;
}

}  // namespace

int main() {
    std::size_t missions = 0, bytes = 0;
    kubtest::MemoryHistory year;
    fill(year, 1, 365);
    const double yearMs = run(year, "62340000", kStart, kStart + 365 * 86400.0, 1, missions, bytes);
    std::printf("one vehicle, a year:   %8.1f ms ours (%zu missions, %zu bytes JSON)\n", yearMs, missions, bytes);
    kubtest::MemoryHistory district;
    fill(district, 200, 2);
    const double dayMs = run(district, "", kStart + 86400, kStart + 2 * 86400.0, 200, missions, bytes);
    std::printf("200 vehicles, a day:   %8.1f ms ours (%zu missions, %zu bytes JSON)\n", dayMs, missions, bytes);
    return yearMs < 1000 && dayMs < 100 ? 0 : 1;
}
