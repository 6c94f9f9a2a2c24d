#pragma once
// The headless monitor's core on mixed traffic for a long stream time: a program folder
// with vehicles and receivers, all six decoders, day logs and status files, and a tally
// of the export lines that should come against those that came. Shared by the soak test
// and the soak benchmark.

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "common/clock.h"
#include "core/headless_window.h"
#include "core/monitor_core.h"
#include "siggen/mixed_traffic.h"

namespace kubtest {

struct SoakTally {
    std::array<long, 3> expected{};    // per TrafficKind
    std::array<long, 3> received{};    // expected ones that came
    std::array<long, 3> unexpected{};  // lines that no cycle sent
    std::vector<std::string> missing;  // the first few missing lines
    std::vector<std::string> strays;   // the first few unexpected lines
    long missingCount() const;
};

// What holds memory and must stay bounded over a run.
struct SoakSizes {
    std::array<int, 3> tableRows{};
    std::array<int, 3> alertLines{};
    std::size_t vehicles = 0;
    std::size_t receivers = 0;
    std::size_t assignments = 0;
    int heldNotices = 0;
};

class SoakRun {
public:
    // `folder` must exist; it becomes the program folder. The stream starts at
    // `startEpoch`; `noiseRms` goes over every cycle.
    SoakRun(const std::string& folder, double startEpoch, double noiseRms = 0.0);

    // Feeds the next `cycles` traffic cycles.
    void run(long cycles);
    // Receptions still owed by the last cycles are counted missing.
    void finish();

    const SoakTally& tally() const { return tally_; }
    SoakSizes sizes() const;
    double streamSeconds() const;
    kub::MonitorCore& core() { return core_; }
    // What the monitor told about its files: each fault, each recovery.
    int writeFailures = 0;
    std::vector<std::string> failureMessages;
    int recoveries = 0;

private:
    void onLine(const std::string& line);
    void expire(long beforeCycle);

    std::string folder_;
    double noise_;
    kub::StreamClock clock_;
    kub::HeadlessWindow window_;
    kub::MonitorCore core_;
    long nextCycle_ = 0;
    struct Owed {
        long cycle;
        siggen::ExpectedReception what;
    };
    std::deque<Owed> owed_;
    SoakTally tally_;
};

// VmRSS and VmHWM of this process in kB, from /proc/self/status (0 when unknown).
struct ProcessMemory {
    long rssKb = 0;
    long hwmKb = 0;
};
ProcessMemory processMemory();

// Under AddressSanitizer freed blocks wait in its quarantine and its allocator keeps pools
// of its own, so a resident size measures the sanitizer rather than our bounds. Checks of
// it run in the Release build only; what is dropped and said is checked in both.
constexpr bool kResidentSizeMeansOurs =
#ifdef KUB_TESTS_SANITIZED
    false;
#else
    true;
#endif

}  // namespace kubtest
