// Incidents through the real tools: `kubmon gen` writes an express alarm and a ZVEI loop,
// `kubmon decode --json` prints one incident per alarm after its pages, and `kubmon run
// --input … --json --mqtt` publishes it under "<prefix>/einsatz" on a real mosquitto.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "storage/day_log.h"
#include "storage/vehicle_table.h"
#include "support/mqtt_broker.h"
#include "support/program_folder.h"
#include "support/run_process.h"

namespace {

using nlohmann::json;

const std::string kKubmon = KUBMON_EXE;

class IncidentCli : public ::testing::Test {
protected:
    void SetUp() override {
        dir = kubtest::makeTempDir("kub-incidents");
        wav = dir + "/alarm.wav";
        // Tone-only pages to two RICs, then the text to a third; a ZVEI loop of two codes.
        const auto gen = kubtest::runProcess(
            kKubmon + " gen " + wav +
            " left gap:300 poctone1200:1000001:0 gap:300 poctone1200:1000002:1 gap:300"
            " 'poc1200:1000003:3:B3 Brand Wohnhaus, Hauptstr. 5' gap:300 zvei:25431 gap:1200 zvei:25432 gap:500");
        ASSERT_EQ(gen.exitCode, 0) << gen.err;
        folder = dir + "/wache1";
        std::filesystem::create_directories(folder);
        kub::createProgramFolders(folder);
        ASSERT_TRUE(kubtest::writeDecodersOnSettings(folder));
        std::ofstream(folder + "/Alarmierung.toml")
            << "[einsatz]\nfenster_s = 8\n\n[[feld]]\nmuster = '^(?<stichwort>\\S+) .*, (?<adresse>.+)$'\n";
    }
    void TearDown() override { kubtest::removeTree(dir); }

    static std::vector<json> incidentsIn(const std::string& lines) {
        std::vector<json> out;
        for (const auto& line : kubtest::splitLines(lines)) {
            const json j = json::parse(line, nullptr, false);
            if (!j.is_discarded() && j.value("protocol", "") == "einsatz") out.push_back(j);
        }
        return out;
    }

    static void expectTheTwoAlarms(const std::vector<json>& incidents) {
        ASSERT_EQ(incidents.size(), 2u);
        const json& page = incidents[0];
        EXPECT_EQ(page["text"], "B3 Brand Wohnhaus, Hauptstr. 5");
        EXPECT_EQ(page["felder"], (json{{"stichwort", "B3"}, {"adresse", "Hauptstr. 5"}}));
        ASSERT_EQ(page["einheiten"].size(), 3u);
        EXPECT_EQ(page["einheiten"][0], (json{{"ric", "1000001"}, {"function", 0}, {"name", ""}, {"colour", "#E0E0E0"}}));
        EXPECT_EQ(page["einheiten"][2]["ric"], "1000003");
        EXPECT_EQ(page["probealarm"], false);
        EXPECT_EQ(page["verschluesselt"], false);
        const json& zvei = incidents[1];
        ASSERT_EQ(zvei["einheiten"].size(), 2u);
        EXPECT_EQ(zvei["einheiten"][1]["code"], "25432");
    }

    std::string dir;
    std::string wav;
    std::string folder;
};

TEST_F(IncidentCli, DecodeJsonPrintsEachAlarmOnceAfterItsPages) {
    const auto r = kubtest::runProcess(kKubmon + " decode --json --folder " + folder + " " + wav);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const auto lines = kubtest::splitLines(r.out);
    std::vector<std::string> protocols;
    for (const auto& l : lines) protocols.push_back(json::parse(l).value("protocol", ""));
    EXPECT_EQ(protocols, (std::vector<std::string>{"pocsag", "pocsag", "pocsag", "zvei", "zvei", "einsatz", "einsatz"}));
    expectTheTwoAlarms(incidentsIn(r.out));
    // Each incident is a row of the day's incident log as well.
    std::size_t rows = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder + "/Logbuch"))
        if (entry.path().filename().string().rfind("Einsatz-", 0) == 0)
            rows += kubtest::splitLines(kubtest::readFileBytes(entry.path().string())).size();
    EXPECT_EQ(rows, 2u);
}

TEST_F(IncidentCli, RunPublishesEachIncidentOverMqtt) {
    if (!kubtest::haveMosquitto()) GTEST_SKIP() << "mosquitto und mosquitto-clients fehlen";
    kubtest::TestBroker broker(dir);
    ASSERT_TRUE(broker.start());
    kubtest::TestSubscriber sub(dir, broker.port(), "wache1/einsatz");
    kubtest::Spawned run;
    ASSERT_TRUE(run.start({kKubmon, "run", "--folder", folder, "--input", wav, "--json", "--mqtt",
                           "mqtt://127.0.0.1:" + std::to_string(broker.port()) + "/wache1"},
                          dir + "/out.txt", dir + "/err.txt"));
    EXPECT_EQ(run.stop(0, 60), 0) << kubtest::readFileBytes(dir + "/err.txt");
    expectTheTwoAlarms(incidentsIn(kubtest::readFileBytes(dir + "/out.txt")));
    ASSERT_TRUE(sub.waitForCount(2));
    std::string published;
    for (const auto& l : sub.lines()) published += l.substr(l.find(' ') + 1) + "\n";
    expectTheTwoAlarms(incidentsIn(published));
}

}  // namespace
