// Five minutes of stream time of mixed traffic on both channels through the headless
// monitor's core, across midnight: every reception arrives, nothing else does, the day
// logs of both days hold them, and the tables that carry memory stay within their limits.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>

#include "core/handling/zvei_handling.h"
#include "decoders/zvei/zvei_decoder.h"
#include "siggen/zvei_signal.h"
#include "storage/day_log.h"
#include "storage/text_file.h"
#include "support/run_process.h"
#include "support/soak_run.h"

namespace {

TEST(Soak, FiveMinutesOfMixedTrafficAcrossMidnight) {
    const std::string folder = kubtest::makeTempDir("kub-soak");
    // Shortly before midnight: half the traffic goes to the next day's logs.
    const double start = kubtest::localEpoch(2026, 12, 7, 23, 57, 30);
    kubtest::SoakRun soak(folder, start, 0.01);
    const long cycles = static_cast<long>(300.0 / siggen::kTrafficCycleSeconds);
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
    EXPECT_LE(end.tableRows[0], 501);
    EXPECT_LE(end.tableRows[1], kub::kKeptReceptionRows + 1);
    EXPECT_LE(end.tableRows[2], kub::kKeptReceptionRows + 1);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_LE(end.alertLines[i], 101);
    EXPECT_EQ(end.vehicles, half.vehicles);
    EXPECT_EQ(end.receivers, half.receivers);
    EXPECT_EQ(end.assignments, half.assignments);
    EXPECT_EQ(end.heldNotices, 0);
    kubtest::removeTree(folder);
}

// Months of traffic: the ZVEI table keeps the newest receptions, not all of them.
TEST(Soak, ZveiTableKeepsTheNewestReceptions) {
    kub::ManualClock clock(kubtest::localEpoch(2026, 12, 7, 10, 0));
    kub::HeadlessWindow window;
    window.setRecording(false);
    kub::ReceptionContext context(clock, window);
    kub::BusyFlags flags;
    kub::ZveiDecoder zvei(context.options, flags);
    kub::ZveiRepeatMemory memory;
    const int total = kub::kKeptReceptionRows + 150;
    std::string last;
    for (int i = 0; i < total; ++i) {
        char code[8];
        std::snprintf(code, sizeof code, "%05d", i * 37 % 100000);
        std::array<double, 5> tones{};
        const std::string symbols = siggen::zveiToneSymbols(code);
        for (std::size_t k = 0; k < 5; ++k) tones[k] = siggen::zveiToneFrequency(symbols[k]);
        zvei.readSequence(tones);
        for (const kub::ZveiCodeEvent& c : zvei.takeEvents()) kub::handleZveiCode(context, memory, c, "left");
        clock.advance(10);
        last = code;
    }
    EXPECT_EQ(window.tableRowCount(kub::ReceptionTable::Zvei), kub::kKeptReceptionRows + 1);
    ASSERT_EQ(window.rows(kub::ReceptionTable::Zvei).size(), static_cast<std::size_t>(kub::kKeptReceptionRows));
    EXPECT_EQ(window.rows(kub::ReceptionTable::Zvei).front().text.substr(0, 5), last) << "the newest stays on top";
}

}  // namespace
