// The reception history at the size of years of a busy district: N records (status
// telegrams of 600 vehicles, pages to 3000 RICs with alarm texts, ZVEI codes) spread
// evenly over ten years, written in batches as the writer thread does; then the size on
// disk, a search by RIC and by Kennung (the newest 100), a search by two words of the
// text, and one vehicle's FMS records over a year (what the status times read), each as
// p50/p99 over a few hundred random searches.
//   ./build/bench/bench_history [N] [sqlite|postgresql://…] [behalten]     (N default 10000000)
// "behalten" keeps the SQLite file (in the system's temporary folder) for a look with sqlite3.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "common/time_text.h"
#include "history/postgres_history.h"
#include "history/sqlite_history.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kStart = 1483228800;  // 2017-01-01
constexpr double kTenYears = 10 * 365.25 * 86400;
constexpr int kVehicles = 600;
constexpr int kRics = 3000;
constexpr int kSearches = 300;

const char* const kWords[] = {"Brand",   "Wohnhaus", "Person",  "Sturz",  "VU",       "PKW",     "Hauptstraße",
                              "Lindenweg", "Schule", "Rauch",   "Keller", "Gefahr",   "Wasser",  "Baum",
                              "Ölspur",  "Tier",     "Notruf",  "BMA",    "Kind",     "Gasgeruch", "Dach",
                              "Scheune", "Musterstadt", "Nord", "Süd",   "Industriegebiet", "Bahnhof", "Klinik"};
constexpr std::size_t kWordCount = sizeof kWords / sizeof kWords[0];

std::string kennungOf(int v) { return "6234" + std::to_string(1000 + v % 9000).substr(0, 4); }
std::string ricOf(int r) { return std::to_string(1000000 + r * 37); }

kub::ReceptionRecord record(long i, double seconds, std::mt19937& rng) {
    kub::ReceptionRecord r;
    r.seconds = seconds;
    r.time = kub::isoTimeText(seconds);
    r.channel = i % 2 ? "left" : "right";
    const std::string when = kub::dateTimeText(kub::toLocalTime(seconds));
    const int kind = static_cast<int>(rng() % 10);
    if (kind < 6) {
        r.protocol = kub::RecordProtocol::Fms;
        r.kennung = kennungOf(static_cast<int>(rng() % kVehicles));
        r.status = static_cast<int>(1 + rng() % 8);
        r.tki = 0;
        r.direction = 0;
        r.vehicle = "Florian " + r.kennung.substr(4);
        r.row = r.vehicle + "\tHLF\t" + r.kennung + "\t" + std::to_string(r.status) + "\t0\tFzg->Lst\t" + when + "\t";
        r.line = "##FMS#" + r.kennung + "#" + std::to_string(r.status) + "#00#+";
        r.slot = static_cast<int>(rng() % 300);
    } else if (kind < 9) {
        r.protocol = kub::RecordProtocol::Pocsag;
        r.ric = ricOf(static_cast<int>(rng() % kRics));
        r.function = static_cast<int>(rng() % 4);
        for (int w = 0; w < 6; ++w) r.text += std::string(w ? " " : "") + kWords[rng() % kWordCount];
        r.text += " " + std::to_string(rng() % 200);
        r.name = "Wache " + std::to_string(rng() % 40);
        r.row = r.ric + "\t" + std::to_string(r.function) + "\t" + r.name + "\t" + when + "\t" + r.text;
        r.line = "##POC#" + r.ric + "#" + std::to_string(r.function) + "#" + r.text + "#+";
    } else {
        r.protocol = kub::RecordProtocol::Zvei;
        r.code = std::to_string(25000 + rng() % 500);
        r.name = "FF " + r.code;
        r.row = r.code + "\t" + r.name + "\t" + when;
        r.line = "##ZVEI#" + r.code + "#" + r.name + "#+";
    }
    return r;
}

struct Timing {
    std::vector<double> ms;
    double at(double q) {
        std::sort(ms.begin(), ms.end());
        return ms.empty() ? 0 : ms[std::min(ms.size() - 1, static_cast<std::size_t>(q * static_cast<double>(ms.size())))];
    }
};

template <typename Query>
Timing timed(kub::HistoryStore& store, int n, Query make, std::size_t& found) {
    Timing t;
    for (int i = 0; i < n; ++i) {
        const kub::HistoryQuery q = make(i);
        const auto t0 = Clock::now();
        std::vector<kub::ReceptionRecord> out;
        const std::string error = store.find(q, out);
        t.ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        if (!error.empty()) std::fprintf(stderr, "%s\n", error.c_str());
        found += out.size();
    }
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    const long n = argc > 1 ? std::max(1000L, std::atol(argv[1])) : 10000000L;
    const std::string where = argc > 2 ? argv[2] : "sqlite";
    const std::string dir = (std::filesystem::temp_directory_path() / "kub-bench-history").string();
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::unique_ptr<kub::HistoryStore> store;
    if (where == "sqlite") {
        store = std::make_unique<kub::SqliteHistory>(dir + "/Verlauf.sqlite");
    } else {
        store = std::make_unique<kub::PostgresHistory>(where);
    }
    if (const std::string error = store->open(); !error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::mt19937 rng(42);
    const double step = kTenYears / static_cast<double>(n);
    const auto w0 = Clock::now();
    std::vector<kub::ReceptionRecord> batch;
    for (long i = 0; i < n; ++i) {
        batch.push_back(record(i, kStart + static_cast<double>(i) * step, rng));
        if (batch.size() == 10000 || i + 1 == n) {
            if (const std::string error = store->write(batch); !error.empty()) {
                std::fprintf(stderr, "%s\n", error.c_str());
                return 1;
            }
            batch.clear();
        }
    }
    const double writeSeconds = std::chrono::duration<double>(Clock::now() - w0).count();
    store->close();
    store->open();
    std::uintmax_t bytes = 0;
    for (const auto& f : std::filesystem::directory_iterator(dir))
        if (f.is_regular_file()) bytes += f.file_size();

    std::mt19937 pick(7);
    std::size_t found = 0;
    Timing byRic = timed(*store, kSearches, [&](int) {
        kub::HistoryQuery q;
        q.ric = ricOf(static_cast<int>(pick() % kRics));
        return q;
    }, found);
    const std::size_t ricFound = found;
    Timing byKennung = timed(*store, kSearches, [&](int) {
        kub::HistoryQuery q;
        q.kennung = kennungOf(static_cast<int>(pick() % kVehicles));
        return q;
    }, found);
    Timing byWords = timed(*store, kSearches, [&](int) {
        kub::HistoryQuery q;
        q.words = std::string(kWords[pick() % kWordCount]) + " " + kWords[pick() % kWordCount];
        return q;
    }, found);
    std::size_t yearRecords = 0;
    Timing vehicleYear = timed(*store, 20, [&](int i) {
        kub::HistoryQuery q;
        q.kennung = kennungOf(static_cast<int>(pick() % kVehicles));
        q.protocol = kub::RecordProtocol::Fms;
        q.fromSeconds = kStart + (i % 9) * 365.25 * 86400;
        q.toSeconds = *q.fromSeconds + 365.25 * 86400;
        q.oldestFirst = true;
        q.limit = 100000;
        return q;
    }, yearRecords);

    std::printf("store %s, %ld records over ten years, written in %.1f s (%.0f/s)\n", where.c_str(), n, writeSeconds,
                static_cast<double>(n) / writeSeconds);
    std::printf("size on disk: %.1f MiB (%.0f bytes per record)\n", static_cast<double>(bytes) / 1048576.0,
                static_cast<double>(bytes) / static_cast<double>(n));
    std::printf("by RIC (newest 100):        p50 %7.2f ms  p99 %7.2f ms  (%zu found)\n", byRic.at(0.5), byRic.at(0.99),
                ricFound);
    std::printf("by Kennung (newest 100):    p50 %7.2f ms  p99 %7.2f ms\n", byKennung.at(0.5), byKennung.at(0.99));
    std::printf("two words (newest 100):     p50 %7.2f ms  p99 %7.2f ms\n", byWords.at(0.5), byWords.at(0.99));
    std::printf("one vehicle, one year, FMS: p50 %7.2f ms  max %7.2f ms  (%zu records per year on average)\n",
                vehicleYear.at(0.5), vehicleYear.at(1.0), yearRecords / 20);
    store->close();
    if (where == "sqlite" && !(argc > 3 && std::string(argv[3]) == "behalten")) std::filesystem::remove_all(dir);
    else if (where == "sqlite") std::printf("kept: %s/Verlauf.sqlite\n", dir.c_str());
    return 0;
}
