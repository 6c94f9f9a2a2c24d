// Ten minutes of stream time of mixed traffic on both channels through the headless
// monitor's core, across midnight: every reception arrives, nothing else does, the day
// logs of both days hold them, and the tables that carry memory stay within their limits.

#include <gtest/gtest.h>

#include "storage/day_log.h"
#include "storage/text_file.h"
#include "support/run_process.h"
#include "support/soak_run.h"

namespace {

TEST(Soak, TenMinutesOfMixedTrafficAcrossMidnight) {
    const std::string folder = kubtest::makeTempDir("kub-soak");
    // Five minutes before midnight: half the traffic goes to the next day's logs.
    const double start = kubtest::localEpoch(2026, 12, 7, 23, 55);
    kubtest::SoakRun soak(folder, start, 0.01);
    const long cycles = static_cast<long>(600.0 / siggen::kTrafficCycleSeconds);
    soak.run(cycles / 2);
    const kubtest::SoakSizes half = soak.sizes();
    soak.run(cycles - cycles / 2);
    soak.finish();

    const auto& t = soak.tally();
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(t.expected[k], 2 * cycles) << "kind " << k;
        EXPECT_EQ(t.received[k], t.expected[k]) << "kind " << k;
        EXPECT_EQ(t.unexpected[k], 0) << "kind " << k;
    }
    for (const auto& m : t.missing) ADD_FAILURE() << "missing: " << m;
    for (const auto& s : t.strays) ADD_FAILURE() << "stray: " << s;
    EXPECT_EQ(soak.writeFailures, 0);

    // Both days' logs hold every reception between them.
    long logged = 0;
    for (int day : {7, 8})
        for (auto kind : {kub::LogKind::Fms, kub::LogKind::Zvei, kub::LogKind::Pocsag}) {
            kub::LocalTime d;
            d.year = 2026;
            d.month = 12;
            d.day = day;
            const auto lines = kub::readTextLines(kub::dayLogPath(folder, kind, d));
            ASSERT_TRUE(lines.has_value()) << "day " << day;
            EXPECT_FALSE(lines->empty());
            logged += static_cast<long>(lines->size());
        }
    EXPECT_EQ(logged, t.received[0] + t.received[1] + t.received[2]);

    // The tables are bounded by what the monitor keeps, not by the run's length.
    const kubtest::SoakSizes end = soak.sizes();
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_LE(end.tableRows[i], 501);
        EXPECT_LE(end.alertLines[i], 101);
    }
    EXPECT_EQ(end.vehicles, half.vehicles);
    EXPECT_EQ(end.receivers, half.receivers);
    EXPECT_EQ(end.assignments, half.assignments);
    EXPECT_EQ(end.heldNotices, 0);
    kubtest::removeTree(folder);
}

}  // namespace
