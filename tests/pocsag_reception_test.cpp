// What a POCSAG reception leads to: the list row and its colour, the name from the
// receiver and assignment lists, the day log, the action program, the exports, and the
// 20-second repeat rule in stream time.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/time_text.h"
#include "siggen/pocsag_signal.h"
#include "storage/day_log.h"
#include "storage/text_file.h"
#include "support/pocsag_harness.h"
#include "support/run_process.h"

namespace {

using kubtest::PocsagHarness;
using siggen::PocsagContent;
using siggen::PocsagMessage;

std::vector<float> page(std::uint32_t ric, int function, const std::string& text, double rate = 1200) {
    return siggen::pocsagSignal({{ric, function, PocsagContent::Alpha, text}}, rate, 0.5, false);
}

struct Launch {
    std::string program;
    std::vector<std::string> args;
};

class RecordingLauncher : public kub::ActionLauncher {
public:
    void launch(const std::string& programPath, std::vector<std::string> args) override {
        launches.push_back({programPath, std::move(args)});
    }
    std::vector<Launch> launches;
};

// Feeds silence until `at` seconds of stream time, then one page.
void pageAt(PocsagHarness& h, double at, std::uint32_t ric, const std::string& text) {
    const double start = 1796630400.0;
    h.silence(start + at - h.clock.nowSeconds());
    h.feed(page(ric, 1, text));
    h.silence(0.5);
}

TEST(PocsagReception, RepeatsWithin20SecondsOfStreamTimeAreDropped) {
    PocsagHarness h;
    pageAt(h, 1, 1234567, "Erster");
    pageAt(h, 11, 1234567, "Wiederholung");   // 10 s later: a repeat, not shown
    pageAt(h, 18.5, 1234567, "Noch einmal");  // within 19 s of the first: still a repeat
    pageAt(h, 26, 1234567, "Neu");            // 25 s after the first: shown again
    pageAt(h, 30, 765432, "Anderer");         // another RIC is no repeat
    // Each RIC has its own window: another RIC in between changes nothing.
    pageAt(h, 33, 1234567, "Zurück");         // 7 s after "Neu": a repeat
    pageAt(h, 38, 765432, "Nochmal");         // 8 s after "Anderer": a repeat
    pageAt(h, 46, 1234567, "Wieder");         // 20 s after "Neu": shown
    const std::vector<std::string> expected{"##POC#1234567#1#Erster#+", "##POC#1234567#1#Neu#+",
                                            "##POC#765432#1#Anderer#+", "##POC#1234567#1#Wieder#+"};
    EXPECT_EQ(h.window.receptionLines, expected);
    EXPECT_EQ(h.window.rows(kub::ReceptionTable::Pocsag).size(), 4u);
}

TEST(PocsagReception, IdlesWithoutAnAddressOfTheirOwnReportNothing) {
    PocsagHarness h;
    h.feed(page(1234567, 3, "Alarm"));
    h.silence(25);
    // Batches of idles only, well after the repeat window: the old RIC is not
    // reported again.
    h.feed(siggen::pocsagSignal({}, 1200, 0.5, false));
    h.silence(0.5);
    h.feed(siggen::pocsagSignal({}, 512, 0.5, true));
    h.silence(0.5);
    ASSERT_EQ(h.window.receptionLines.size(), 1u);
    EXPECT_EQ(h.window.receptionLines[0], "##POC#1234567#3#Alarm#+");
    // And the next real page is reported with its own RIC and text.
    h.feed(page(1234567, 3, "Folgealarm"));
    h.silence(0.5);
    ASSERT_EQ(h.window.receptionLines.size(), 2u);
    EXPECT_EQ(h.window.receptionLines[1], "##POC#1234567#3#Folgealarm#+");
}

class PocsagReceptionFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir = kubtest::makeTempDir("kub-poc");
        std::filesystem::create_directories(dir + "/Logbuch");
    }
    void TearDown() override { kubtest::removeTree(dir); }
    std::string dir;
};

TEST_F(PocsagReceptionFiles, NameColourLogActionAndExports) {
    PocsagHarness h;
    RecordingLauncher launcher;
    h.context.programFolder = dir;
    h.context.launcher = &launcher;
    h.context.receivers.receiverList = {{"0111111", "Andere", 255},
                                        {"1234567", "Wehrführer", 0x00FF00},
                                        {"1234567", "Doppelt", 1},
                                        {"1222222", "Ohne Farbe", 0}};
    h.context.receivers.assignmentList = {{"62341111", "1234567", "Florian 1/44-1"},
                                          {"62342222", "1234567", "Florian 2"}};

    // Nothing switched on: rows and log, but no program and no exports.
    h.feed(page(1234567, 3, "Brand, \"groß\""));
    h.silence(0.5);
    ASSERT_EQ(h.window.rows(kub::ReceptionTable::Pocsag).size(), 1u);
    const auto first = h.window.rows(kub::ReceptionTable::Pocsag)[0];
    const std::string time = kub::dateTimeText(h.clock.now());
    EXPECT_EQ(first.text, "1234567\t3\tWehrführer (Florian 1/44-1) \t" + time + "\tBrand, \"groß\"");
    EXPECT_EQ(first.cellColours[2], 0x00FF00u);
    EXPECT_TRUE(launcher.launches.empty());
    EXPECT_TRUE(h.window.sentMessages.empty());
    EXPECT_TRUE(h.window.anwendungLines.empty());
    EXPECT_EQ(h.window.receptionLines.size(), 1u);

    // Everything on.
    h.context.actionProgram = "/opt/alarm/aktion";
    h.context.tcpExportOn = true;
    h.context.windowMessageExportOn = true;
    h.feed(page(1222222, 0, "Übung"));
    h.silence(0.5);
    const std::string line = "##POC#1222222#0#Übung#+";
    ASSERT_EQ(launcher.launches.size(), 1u);
    EXPECT_EQ(launcher.launches[0].program, "/opt/alarm/aktion");
    EXPECT_EQ(launcher.launches[0].args, (std::vector<std::string>{"POC", "1222222", "0", "Übung"}));
    EXPECT_EQ(h.window.sentMessages, std::vector<std::string>{line});
    EXPECT_EQ(h.window.anwendungLines, std::vector<std::string>{line});
    const auto second = h.window.rows(kub::ReceptionTable::Pocsag)[0];
    EXPECT_EQ(second.text.substr(0, 21), "1222222\t0\tOhne Farbe\t");
    EXPECT_EQ(second.cellColours[2], 14737632u);  // colour 0 shows light grey

    // The day log holds both rows, oldest first, in the file's own encoding.
    const auto logLines = kub::readTextLines(kub::dayLogPath(dir, kub::LogKind::Pocsag, h.clock.now()));
    ASSERT_TRUE(logLines.has_value());
    ASSERT_EQ(logLines->size(), 2u);
    EXPECT_EQ((*logLines)[0], first.text);
    EXPECT_EQ((*logLines)[1], second.text);
    EXPECT_EQ(kub::dayLogFileName(kub::LogKind::Pocsag, h.clock.now()), "poc-2026-12-7.txt");
    EXPECT_EQ(kub::actionArgumentText(launcher.launches[0].args), "\"POC\" \"1222222\" \"0\" \"Übung\"");
}

TEST_F(PocsagReceptionFiles, ReceptionIsHandledWhenTheLogCannotBeWritten) {
    PocsagHarness h;
    h.context.programFolder = dir + "/fehlt";  // no Logbuch there
    h.feed(page(1000008, 2, "Trotzdem"));
    h.silence(0.5);
    EXPECT_EQ(h.window.receptionLines, std::vector<std::string>{"##POC#1000008#2#Trotzdem#+"});
    EXPECT_EQ(h.window.rows(kub::ReceptionTable::Pocsag).size(), 1u);
}

}  // namespace
