// Start-up reload of a busy day's logs: 10 000 lines per kind into the tables.
//   ./build/bench/bench_day_log [lines]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/headless_window.h"
#include "core/day_log_reload.h"
#include "storage/day_log.h"

int main(int argc, char** argv) {
    const int lines = argc > 1 ? std::atoi(argv[1]) : 10000;
    const auto dir = std::filesystem::temp_directory_path() / "kub-bench-daylog";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir / "Logbuch");
    kub::WallClock clock;
    for (int i = 0; i < lines; ++i) {
        std::string n = std::to_string(1000000 + i);
        kub::appendDayLog(dir.string(), kub::LogKind::Pocsag, clock,
                          n + "\t3\tLöschzug Süd (HLF 20) \t07.12.2026 04:33:51\tB3 Wohnungsbrand Hauptstraße 12 Personen in Gefahr");
    }
    kub::HeadlessWindow w;
    const auto t0 = std::chrono::steady_clock::now();
    int rows = kub::reloadPocLog(dir.string(), clock, w);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    std::printf("reloaded %d lines in %.1f ms\n", rows, ms);
    std::filesystem::remove_all(dir);
    return rows == lines ? 0 : 1;
}
