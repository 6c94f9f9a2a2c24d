// "kubmon regeln" end to end: a folder's "Alarmierung.toml" checked, and the rules
// explained on a recording made by `kubmon gen` and on the records `decode --json` saved.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "mqtt/mqtt_settings.h"
#include "support/alarm_servers.h"
#include "support/run_process.h"

namespace {

const std::string kKubmon = KUBMON_EXE;

const char* const kRules =
    "[ziel.handy]\n"
    "art = \"webhook\"\n"
    "url = \"http://127.0.0.1:9/alarm\"\n"
    "[[regel]]\n"
    "name = \"Unsere Schleifen\"\n"
    "ziele = [\"handy\"]\n"
    "wenn.ric = [\"1234560-1234569\"]\n"
    "[[regel]]\n"
    "name = \"Status\"\n"
    "ziele = [\"handy\"]\n"
    "wenn.protokoll = \"fms\"\n";

class RulesCli : public ::testing::Test {
protected:
    void SetUp() override {
        dir = kubtest::makeTempDir("kub-rules-cli");
        std::ofstream(dir + "/Alarmierung.toml") << kRules;
    }
    void TearDown() override { kubtest::removeTree(dir); }

    // The verdict lines, without the line naming the record (its time differs per run).
    static std::vector<std::string> verdicts(const std::string& out) {
        std::vector<std::string> lines;
        for (const auto& l : kubtest::splitLines(out))
            if (l.rfind("  ", 0) == 0) lines.push_back(l);
        return lines;
    }

    std::string dir;
};

TEST_F(RulesCli, PruefenSummarisesAGoodFileAndNamesLineAndColumnOfAFault) {
    auto r = kubtest::runProcess(kKubmon + " regeln pruefen --folder " + dir);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Alarmierung.toml: in Ordnung, 2 Regeln (0 ausgeschaltet), 1 Ziele.\n");

    std::ofstream(dir + "/Alarmierung.toml", std::ios::app) << "wenn.ric = \"1234569-1234560\"\n";
    r = kubtest::runProcess(kKubmon + " regeln pruefen --folder " + dir);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("Alarmierung.toml, Zeile 12, Spalte 12: wenn.ric: Bereich \"1234569-1234560\" ist verkehrt"),
              std::string::npos)
        << r.err;
}

TEST_F(RulesCli, ErklaerenSaysWhereEachRecordGoesAndWhyNotElsewhereAlikeForRecordingAndSavedRecords) {
    const std::string wav = dir + "/alarm.wav";
    const auto gen = kubtest::runProcess(kKubmon + " gen " + wav +
                                         " left gap:300 'poc1200:1234567:3:B3 Brand Wohnhaus' gap:300 zvei:25431 gap:500");
    ASSERT_EQ(gen.exitCode, 0) << gen.err;

    const auto live = kubtest::runProcess(kKubmon + " regeln erklaeren --folder " + dir + " " + wav);
    ASSERT_EQ(live.exitCode, 0) << live.err;
    // The page, the ZVEI code, then the two incidents (the page's, the code's).
    const std::vector<std::string> expected = {
        "  Regel \"Unsere Schleifen\": sendet an handy",
        "  Regel \"Status\": nein, wenn.protokoll trifft nicht zu",
        "  => an handy (je einmal)",
        "  Regel \"Unsere Schleifen\": nein, wenn.ric trifft nicht zu",
        "  Regel \"Status\": nein, wenn.protokoll trifft nicht zu",
        "  => an niemanden",
        "  Regel \"Unsere Schleifen\": sendet an handy",
        "  Regel \"Status\": nein, wenn.protokoll trifft nicht zu",
        "  => an handy (je einmal)",
        "  Regel \"Unsere Schleifen\": nein, wenn.ric trifft nicht zu",
        "  Regel \"Status\": nein, wenn.protokoll trifft nicht zu",
        "  => an niemanden"};
    EXPECT_EQ(verdicts(live.out), expected) << live.out;

    const auto saved = kubtest::runProcess(kKubmon + " decode --json " + wav + " > " + dir + "/empfang.jsonl");
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    const auto later = kubtest::runProcess(kKubmon + " regeln erklaeren --folder " + dir + " " + dir + "/empfang.jsonl");
    ASSERT_EQ(later.exitCode, 0) << later.err;
    EXPECT_EQ(verdicts(later.out), expected) << later.out;
}

// The whole chain in the running monitor: a page of our RIC range reaches the webhook of
// its rule (the page, then its incident, closed while the recording still plays), nothing
// else does, the outbox is empty afterwards, and "regeln test" sends one record marked as
// a test.
TEST_F(RulesCli, RunDeliversOurPagesToTheWebhookAndRegelnTestSendsOne) {
    kubtest::TestWebhook hook(dir);
    ASSERT_TRUE(hook.start());
    std::ofstream(dir + "/Alarmierung.toml") << "[ziel.handy]\nart = \"webhook\"\nurl = \"" << hook.url()
                                              << "\"\n[einsatz]\nfenster_s = 1\nnachlauf_s = 1\n[[regel]]\nname = \"Unsere Schleifen\"\n"
                                                 "ziele = [\"handy\"]\nwenn.ric = [\"1234560-1234569\"]\n";
    const std::string wav = dir + "/alarm.wav";
    ASSERT_EQ(kubtest::runProcess(kKubmon + " gen " + wav +
                                  " left gap:300 'poc1200:1234567:3:B3 Brand' gap:300 'poc1200:1876543:3:Fremd' gap:4000")
                  .exitCode,
              0);
    const auto run = kubtest::runProcess(kKubmon + " run --folder " + dir + " --input " + wav);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto bodies = hook.deliveredBodies();
    ASSERT_EQ(bodies.size(), 2u) << run.err;
    EXPECT_NE(bodies[0].find("\"protocol\":\"pocsag\""), std::string::npos) << bodies[0];
    EXPECT_NE(bodies[1].find("\"protocol\":\"einsatz\""), std::string::npos) << bodies[1];
    for (const auto& b : bodies) {
        EXPECT_EQ(b.find("1876543"), std::string::npos) << b;
        EXPECT_EQ(b.rfind("{\"id\":", 0), 0u) << b;
    }
    EXPECT_TRUE(kubtest::splitLines(kubtest::runProcess("ls " + dir + "/Alarmierung-Ausgang/handy").out).empty());

    const auto test = kubtest::runProcess(kKubmon + " regeln test handy --folder " + dir);
    EXPECT_EQ(test.exitCode, 0) << test.err;
    const auto after = hook.deliveredBodies();
    ASSERT_EQ(after.size(), 3u);
    EXPECT_NE(after[2].find("\"test\":true"), std::string::npos) << after[2];
}

// "regeln test" of an MQTT destination goes out on the broker of the folder's "MQTT.ini".
TEST_F(RulesCli, RegelnTestOfAnMqttDestinationReachesTheBroker) {
    kubtest::TestBroker broker(dir);
    ASSERT_TRUE(broker.start());
    kub::MqttSettings mqtt;
    mqtt.server = "127.0.0.1";
    mqtt.port = broker.port();
    mqtt.prefix = "wache1";
    ASSERT_TRUE(kub::saveMqttSettings(dir, mqtt));
    std::ofstream(dir + "/Alarmierung.toml") << "[ziel.halle]\nart = \"mqtt\"\nthema = \"wache1/alarm\"\n";
    kubtest::TestSubscriber sub(dir, broker.port(), "wache1/alarm");
    const auto test = kubtest::runProcess(kKubmon + " regeln test halle --folder " + dir);
    EXPECT_EQ(test.exitCode, 0) << test.err;
    ASSERT_TRUE(sub.waitForCount(1));
    EXPECT_NE(sub.lines().front().find("\"test\":true"), std::string::npos) << sub.lines().front();
}

}  // namespace
