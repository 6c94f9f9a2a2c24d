// The history end to end through the real tools: `kubmon run` decodes a generated
// recording into the folder's "Verlauf.sqlite" (reading the older day logs in at its
// first start), and `kubmon verlauf` finds the page by its RIC and by a word of its text.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>

#include "common/clock.h"
#include "storage/day_log.h"
#include "storage/vehicle_table.h"
#include "support/program_folder.h"
#include "support/run_process.h"

namespace {

const std::string kKubmon = KUBMON_EXE;

class HistoryCli : public ::testing::Test {
protected:
    void SetUp() override {
        dir = kubtest::makeTempDir("kub-verlauf");
        folder = dir + "/wache";
        std::filesystem::create_directories(folder);
        kub::createProgramFolders(folder);
        ASSERT_TRUE(kubtest::writeDecodersOnSettings(folder));
    }
    void TearDown() override { kubtest::removeTree(dir); }
    kubtest::ProcessResult verlauf(const std::string& options) {
        return kubtest::runProcess(kKubmon + " verlauf --folder " + folder + " " + options);
    }
    std::string dir;
    std::string folder;
};

TEST_F(HistoryCli, RunKeepsThePageAndVerlaufFindsIt) {
    // Yesterday's log, there before the history was.
    const kub::LocalTime yesterday = kub::toLocalTime(kub::WallClock().nowSeconds() - 86400);
    std::ofstream(kub::dayLogPath(folder, kub::LogKind::Pocsag, yesterday), std::ios::binary)
        << "7654321\t1\t\t" << yesterday.day / 10 << yesterday.day % 10 << "." << yesterday.month / 10
        << yesterday.month % 10 << "." << yesterday.year << " 10:00:00\tRD 1 Sturz\r\n";
    const std::string wav = dir + "/alarm.wav";
    const auto gen = kubtest::runProcess(kKubmon + " gen " + wav +
                                         " right gap:300 'poc1200:1234567:3:B3 Brand Wohnhaus - Hauptstraße 12' gap:500");
    ASSERT_EQ(gen.exitCode, 0) << gen.err;
    const auto run = kubtest::runProcess(kKubmon + " run --folder " + folder + " --input " + wav);
    ASSERT_EQ(run.exitCode, 0) << run.err;

    const auto byRic = verlauf("--ric 1234567");
    ASSERT_EQ(byRic.exitCode, 0) << byRic.err;
    const auto lines = kubtest::splitLines(byRic.out);
    ASSERT_EQ(lines.size(), 1u) << byRic.out;
    EXPECT_EQ(lines[0].rfind("POCSAG\t1234567\t3\t", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find("B3 Brand Wohnhaus - Hauptstraße 12"), std::string::npos);

    // The page and the incident made of it.
    const auto json = verlauf("--text 'hauptstr brand' --json");
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const auto found = kubtest::splitLines(json.out);
    ASSERT_EQ(found.size(), 2u) << json.out;
    const auto incident = nlohmann::json::parse(found[0]);
    const auto page = nlohmann::json::parse(found[1]);
    EXPECT_EQ(incident["protocol"], "einsatz");
    EXPECT_EQ(page["ric"], "1234567");
    EXPECT_EQ(page["channel"], "right");

    const auto imported = verlauf("--ric 7654321 --csv");
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    ASSERT_EQ(kubtest::splitLines(imported.out).size(), 2u) << imported.out;
    EXPECT_NE(imported.out.find(";RD 1 Sturz\r\n"), std::string::npos);

    // Read in again: nothing twice.
    const auto again = verlauf("--import");
    ASSERT_EQ(again.exitCode, 0) << again.err;
    const auto all = verlauf("--protokoll pocsag --limit 50");
    EXPECT_EQ(kubtest::splitLines(all.out).size(), 2u) << all.out;
}

TEST_F(HistoryCli, BadInputIsSaidInGerman) {
    struct Case {
        const char* options;
        const char* said;
        int status;
    };
    const Case cases[] = {
        {"--von 31.02.2026", "gibt es nicht", 2},
        {"--bis morgen", "ist kein Datum", 2},
        {"--von 09.12.2026 --bis 08.12.2026", "--von liegt nicht vor --bis", 2},
        {"--protokoll morse", "--protokoll erwartet", 2},
        {"--limit 0", "--limit erwartet", 2},
        {"--verlauf mysql://x/y", "postgresql://", 2},
        {"--statuszeiten --bis 30.02.2026", "gibt es nicht", 2},
        {"--ric 1234567", "gibt es nicht", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        const auto r = verlauf(c.options);
        EXPECT_EQ(r.exitCode, c.status);
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

}  // namespace
