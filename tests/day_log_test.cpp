// Day logs: file names from the clock, one line per reception on disk at once, reload.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/headless_window.h"
#include "core/day_log_reload.h"
#include "storage/day_log.h"
#include "support/run_process.h"

namespace kub {
namespace {

class DayLogs : public ::testing::Test {
protected:
    std::string dir = kubtest::makeTempDir("kub-log");
    void SetUp() override { std::filesystem::create_directory(dir + "/Logbuch"); }
    void TearDown() override { kubtest::removeTree(dir); }
    std::string bytes(const std::string& name) { return kubtest::readFileBytes(dir + "/Logbuch/" + name); }
};

TEST_F(DayLogs, AppendsRowsToTheFileOfTheDayAndReloadsThemNewestFirst) {
    ManualClock clock(kubtest::localEpoch(2026, 3, 7, 23, 59));
    ASSERT_TRUE(appendDayLog(dir, LogKind::Pocsag, clock, "1234567\t3\tFW Süd\t07.03.2026 23:59:00\tBrand, Dach"));
    ASSERT_TRUE(appendDayLog(dir, LogKind::Pocsag, clock, "7654321\t0\t?\t07.03.2026 23:59:30\t"));
    EXPECT_EQ(bytes("poc-2026-3-7.txt"),
              "1234567\t3\tFW S\xFC" "d\t07.03.2026 23:59:00\tBrand, Dach\r\n"
              "7654321\t0\t?\t07.03.2026 23:59:30\t\r\n");
    clock.advance(120);  // after midnight the next day's file begins
    ASSERT_TRUE(appendDayLog(dir, LogKind::Fms, clock, "row"));
    EXPECT_EQ(bytes("FMS-2026-3-8.txt"), "row\r\n");

    clock.set(kubtest::localEpoch(2026, 3, 7, 12, 0));
    HeadlessWindow w;
    EXPECT_EQ(reloadPocLog(dir, clock, w), 2);
    ASSERT_EQ(w.rows(ReceptionTable::Pocsag).size(), 2u);
    EXPECT_EQ(w.rows(ReceptionTable::Pocsag)[0].text, "7654321\t0\t?\t07.03.2026 23:59:30\t");
    EXPECT_EQ(w.rows(ReceptionTable::Pocsag)[1].text, "1234567\t3\tFW Süd\t07.03.2026 23:59:00\tBrand, Dach");
    EXPECT_EQ(w.tableRowCount(ReceptionTable::Pocsag), 3);
    EXPECT_EQ(reloadFmsLog(dir, clock, w), 0);   // no file today
    EXPECT_EQ(reloadZveiLog(dir, clock, w), 0);
    EXPECT_TRUE(w.rows(ReceptionTable::Fms).empty());
}

TEST_F(DayLogs, EmptyLinesAreSkippedAndAnUnwritableLogIsReported) {
    ManualClock clock(kubtest::localEpoch(2026, 1, 1, 8, 0));
    std::ofstream(dir + "/Logbuch/zvei-2026-1-1.txt", std::ios::binary) << "a\r\n\r\n\r\nb\r\n";
    HeadlessWindow w;
    EXPECT_EQ(reloadZveiLog(dir, clock, w), 2);
    EXPECT_EQ(w.rows(ReceptionTable::Zvei)[0].text, "b");

    std::filesystem::create_directory(dir + "/Logbuch/FMS-2026-1-1.txt");  // a folder in its way
    EXPECT_FALSE(appendDayLog(dir, LogKind::Fms, clock, "row"));
    EXPECT_FALSE(appendDayLog(dir + "/fehlt", LogKind::Zvei, clock, "row"));
}

}  // namespace
}  // namespace kub
