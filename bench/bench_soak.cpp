// Soak: hours of mixed traffic (FMS, ZVEI and POCSAG on both channels, a reception
// every few seconds) through the headless monitor's core, faster than real time, with a
// program folder of day logs and status files, across midnight. Reports memory at the
// start, along the way and at the end, and the receptions expected against received.
//   ./build/bench/bench_soak [hours=24] [noise-rms=0.01] [folder]
// Exit status 1 when a reception is missing or a stray one appears or a table grew.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "storage/day_log.h"
#include "support/run_process.h"
#include "support/soak_run.h"

int main(int argc, char** argv) {
    const double hours = argc > 1 ? std::atof(argv[1]) : 24.0;
    const double noise = argc > 2 ? std::atof(argv[2]) : 0.01;
    const std::string folder = argc > 3 ? argv[3] : kubtest::makeTempDir("kub-soak");
    // Noon of 7 December 2026 (local time of the machine): midnight comes half-way.
    std::tm noon{};
    noon.tm_year = 2026 - 1900;
    noon.tm_mon = 11;
    noon.tm_mday = 7;
    noon.tm_hour = 12;
    noon.tm_isdst = -1;
    const double start = static_cast<double>(std::mktime(&noon));

    const kubtest::ProcessMemory before = kubtest::processMemory();
    kubtest::SoakRun soak(folder, start, noise);
    const kubtest::ProcessMemory ready = kubtest::processMemory();
    const long cycles = static_cast<long>(hours * 3600.0 / siggen::kTrafficCycleSeconds);
    std::printf("Soak: %.1f h Stream, %ld Zyklen, Rauschen %.3f, Ordner %s\n", hours, cycles, noise, folder.c_str());
    std::printf("Speicher Start: RSS %ld kB (vor dem Aufbau %ld kB)\n", ready.rssKb, before.rssKb);

    const auto t0 = std::chrono::steady_clock::now();
    const long step = std::max(1L, cycles / 12);
    long rssAtTenth = 0;
    for (long done = 0; done < cycles;) {
        const long n = std::min(step, cycles - done);
        soak.run(n);
        done += n;
        const kubtest::ProcessMemory m = kubtest::processMemory();
        if (rssAtTenth == 0 && done >= cycles / 10) rssAtTenth = m.rssKb;
        const auto z = soak.sizes();
        std::printf("  %6.2f h  RSS %ld kB  HWM %ld kB  Zeilen FMS/ZVEI/POC %d/%d/%d  Alarmlisten %d/%d/%d\n",
                    soak.streamSeconds() / 3600.0, m.rssKb, m.hwmKb, z.tableRows[0], z.tableRows[1],
                    z.tableRows[2], z.alertLines[0], z.alertLines[1], z.alertLines[2]);
        std::fflush(stdout);
    }
    soak.finish();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const kubtest::ProcessMemory end = kubtest::processMemory();
    const auto& t = soak.tally();
    static const char* kNames[3] = {"FMS", "ZVEI", "POCSAG"};
    std::printf("Speicher Ende: RSS %ld kB, Höchststand %ld kB (nach 1/10 der Zeit: %ld kB)\n", end.rssKb, end.hwmKb,
                rssAtTenth);
    for (int k = 0; k < 3; ++k)
        std::printf("%-7s erwartet %ld  empfangen %ld  unerwartet %ld\n", kNames[k], t.expected[static_cast<std::size_t>(k)],
                    t.received[static_cast<std::size_t>(k)], t.unexpected[static_cast<std::size_t>(k)]);
    for (const auto& m : t.missing) std::printf("  fehlt: %s\n", m.c_str());
    for (const auto& s : t.strays) std::printf("  unerwartet: %s\n", s.c_str());
    std::printf("Schreibfehler gemeldet: %d\n", soak.writeFailures);
    std::printf("Dauer: %.1f s für %.1f h Stream (%.0fx Echtzeit)\n", wall, soak.streamSeconds() / 3600.0,
                soak.streamSeconds() / wall);
    long unexpected = t.unexpected[0] + t.unexpected[1] + t.unexpected[2];
    const auto z = soak.sizes();
    const bool bounded = z.tableRows[0] <= 501 && z.tableRows[1] <= kub::kKeptReceptionRows + 1 &&
                         z.tableRows[2] <= kub::kKeptReceptionRows + 1 &&
                         z.alertLines[0] <= 101 && z.alertLines[1] <= 101 && z.alertLines[2] <= 101;
    return t.missingCount() == 0 && unexpected == 0 && bounded ? 0 : 1;
}
