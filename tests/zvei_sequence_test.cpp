// The tone table and what happens to five collected tones: code building with the repeat
// tone, the 5-character and 20-second rules, names and colours from the receiver lists,
// the table row, the day log, the action program and the exports.

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "common/time_text.h"
#include "core/handling/zvei_handling.h"
#include "decoders/zvei/zvei_decoder.h"
#include "storage/day_log.h"
#include "storage/text_file.h"
#include "zvei_test_support.h"

namespace kub {
namespace {

using namespace zveitest;

TEST(ZveiToneTable, RowsInOrderWithRoundingHalvesToEven) {
    struct Case {
        double hz;
        const char* want;
    };
    const Case cases[] = {
        {1060, "1"}, {1160, "2"}, {1270, "3"}, {1400, "4"}, {1530, "5"}, {1670, "6"},
        {1830, "7"}, {2000, "8"}, {2200, "9"}, {2400, "0"}, {2600, "R"}, {2800, "Gr"},
        {810, "C"},  {885, "H"},  {1750, "U"}, {1860, "L"}, {2135, "J"}, {2280, "P"},
        // Edges of the rows; R = f / 10, halves to even.
        {1045, ""},      // 104.5 -> 104
        {1055, "1"},     // 105.5 -> 106
        {1074.9, "1"},   // 107.49 -> 107
        {1075, ""},      // 107.5 -> 108
        {1850, "7"},     // R = 185 is "7", never "L"
        {1854.9, "7"},
        {1855, "L"},     // 185.5 -> 186
        {1865, "L"},     // 186.5 -> 186
        {1875, ""},      // 187.5 -> 188
        {2445, "0"},     // 244.5 -> 244
        {2455, ""},      // 245.5 -> 246
        {2460, ""}, {2570, ""}, {2630, ""}, {2770, ""},
        {0, ""}, {1.0, ""}, {22050, ""}, {-1060, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(std::string(ZveiDecoder::classifyTone(c.hz)), c.want) << c.hz;
    }
}

class RecordingLauncher : public ActionLauncher {
public:
    struct Call {
        std::string program;
        std::vector<std::string> args;
    };
    std::vector<Call> calls;
    void launch(const std::string& programPath, std::vector<std::string> args) override {
        calls.push_back({programPath, std::move(args)});
    }
};

class ZveiSequence : public ::testing::Test {
protected:
    static constexpr double kStart = 1.8e9;  // a whole second
    ManualClock clock{kStart};
    HeadlessWindow window;
    ReceptionContext context{clock, window};
    BusyFlags flags;
    ZveiDecoder zvei{context.options, flags};
    ZveiRepeatMemory memory;
    RecordingLauncher launcher;

    // Five tones read, and the code they make handled on the left channel.
    static void read(ZveiDecoder& decoder, ReceptionContext& ctx, ZveiRepeatMemory& mem,
                     const std::array<double, 5>& tones) {
        decoder.readSequence(tones);
        for (const ZveiCodeEvent& code : decoder.takeEvents()) handleZveiCode(ctx, mem, code, "left");
    }

    static double hz(char c) {
        switch (c) {
            case '1': return 1060;
            case '2': return 1160;
            case '3': return 1270;
            case '4': return 1400;
            case '5': return 1530;
            case '6': return 1670;
            case '7': return 1830;
            case '8': return 2000;
            case '9': return 2200;
            case '0': return 2400;
            case 'R': return 2600;
            case 'G': return 2800;
            case 'C': return 810;
            case 'U': return 1750;
            case 'P': return 2280;
            default: return 3333;  // no tone of the table
        }
    }
    void send(const std::string& symbols) {
        std::array<double, 5> t{};
        for (std::size_t i = 0; i < 5; ++i) t[i] = hz(symbols[i]);
        read(zvei, context, memory, t);
    }
    const std::vector<std::string>& lines() const { return window.receptionLines; }
};

TEST_F(ZveiSequence, RepeatToneTakesThePreviousCharacter) {
    send("12R45");
    send("R6789");  // a repeat tone first: the last character of the previous sequence
    send("9R9R9");
    EXPECT_EQ(lines(), (std::vector<std::string>{"##ZVEI#12245##+", "##ZVEI#56789##+",
                                                  "##ZVEI#99999##+"}));
    EXPECT_TRUE(flags.zveiDecoded);
    EXPECT_EQ(zvei.lastCharacter(), "9");
}

TEST_F(ZveiSequence, RepeatToneAtTheStartUsesAPreviousDroppedSequence) {
    send("1234x");  // four characters: dropped, but its last character counts
    EXPECT_TRUE(lines().empty());
    EXPECT_TRUE(flags.zveiDecoded);
    send("R5678");
    EXPECT_EQ(lines(), std::vector<std::string>{"##ZVEI#45678##+"});

    // The very first sequence of a channel has nothing to repeat: four characters.
    ManualClock c2{kStart};
    HeadlessWindow w2;
    ReceptionContext ctx2{c2, w2};
    BusyFlags f2;
    ZveiDecoder fresh{ctx2.options, f2};
    ZveiRepeatMemory m2;
    read(fresh, ctx2, m2, {2600, 1060, 1160, 1270, 1400});
    EXPECT_TRUE(w2.receptionLines.empty());
    EXPECT_TRUE(f2.zveiDecoded);
    EXPECT_EQ(fresh.lastCharacter(), "4");
}

TEST_F(ZveiSequence, OnlyFiveCharacterCodesPass) {
    send("12x45");  // an unknown tone: four characters
    send("1234G");  // "Gr" makes six
    send("12G4x");  // "Gr" with an unknown tone: five characters, "12Gr4"
    send("1C3U5");  // letter tones are characters like digits
    send("xxxxx");  // nothing recognised at all
    EXPECT_EQ(lines(), (std::vector<std::string>{"##ZVEI#12Gr4##+", "##ZVEI#1C3U5##+"}));
    EXPECT_TRUE(flags.zveiDecoded);
    // After "Gr" a repeat tone repeats its second letter.
    clock.advance(1);
    send("G1R3x");
    EXPECT_EQ(lines().back(), "##ZVEI#Gr113##+");
}

TEST_F(ZveiSequence, SameCodeWithinTwentySecondsIsShownOnce) {
    send("12345");
    clock.set(kStart + 19);
    send("12345");
    clock.set(kStart + 19.999);  // still 19 whole seconds
    send("12345");
    clock.set(kStart + 25);
    send("12345");  // 25 s after the first accepted one
    clock.set(kStart + 26);
    send("54321");  // another code is no repeat
    clock.set(kStart + 27);
    send("12345");  // the last accepted code was 54321
    EXPECT_EQ(lines(), (std::vector<std::string>{"##ZVEI#12345##+", "##ZVEI#12345##+",
                                                  "##ZVEI#54321##+", "##ZVEI#12345##+"}));
    // A code sent again and again is shown again 20 s after it was last accepted.
    for (int s = 28; s < 47; ++s) {
        clock.set(kStart + s);
        send("12345");
    }
    EXPECT_EQ(lines().size(), 4u);
    clock.set(kStart + 47);
    send("12345");
    EXPECT_EQ(lines().size(), 5u);
}

TEST_F(ZveiSequence, ClockSetBackDoesNotHoldCodesBack) {
    send("12345");
    clock.set(kStart - 3600);  // the machine's clock was corrected by an hour
    send("12345");
    EXPECT_EQ(lines().size(), 2u);
}

TEST_F(ZveiSequence, NameColourRowLogAndExports) {
    ScratchFolder dir;
    std::filesystem::create_directories(dir.path() / "Logbuch");
    context.programFolder = dir.path().string();
    context.receivers.receiverList = {{"12345", "Wehr A", 0}, {"23456", "Gerätehaus Süd", 255}};
    context.receivers.assignmentList = {{"61234567", "12345", "LF 1"}};
    context.actionProgram = "/opt/aktion";
    context.launcher = &launcher;
    context.tcpExportOn = true;
    context.windowMessageExportOn = true;

    send("12345");
    clock.advance(1);
    send("23456");
    clock.advance(1);
    send("34567");

    const std::string t0 = dateTimeText(toLocalTime(kStart));
    const std::string t1 = dateTimeText(toLocalTime(kStart + 1));
    const std::string t2 = dateTimeText(toLocalTime(kStart + 2));
    const auto& rows = window.rows(ReceptionTable::Zvei);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].text, "34567\t\t" + t2);
    EXPECT_EQ(rows[1].text, "23456\tGerätehaus Süd\t" + t1);
    EXPECT_EQ(rows[2].text, "12345\tWehr A (LF 1) \t" + t0);
    // The name cell of row 1 gets the colour when the row is inserted.
    ASSERT_EQ(rows[0].cellColours.size(), 2u);
    EXPECT_EQ(rows[0].cellColours[1], kNoColour);
    EXPECT_EQ(rows[1].cellColours[1], 255u);
    EXPECT_EQ(rows[2].cellColours[1], kNoColour);  // colour 0 shows light grey

    const std::vector<std::string> exported = {"##ZVEI#12345#Wehr A (LF 1) #+",
                                               "##ZVEI#23456#Gerätehaus Süd#+", "##ZVEI#34567##+"};
    EXPECT_EQ(window.sentMessages, exported);
    EXPECT_EQ(window.anwendungLines, exported);
    EXPECT_EQ(window.receptionLines, exported);

    ASSERT_EQ(launcher.calls.size(), 3u);
    EXPECT_EQ(launcher.calls[0].program, "/opt/aktion");
    EXPECT_EQ(launcher.calls[0].args, (std::vector<std::string>{"ZVEI", "12345"}));
    EXPECT_EQ(actionArgumentText(launcher.calls[2].args), "\"ZVEI\" \"34567\"");
    EXPECT_TRUE(context.pageChange.pageChangedPending());

    auto log = readTextLines(dayLogPath(context.programFolder, LogKind::Zvei, clock.now()));
    ASSERT_TRUE(log.has_value());
    EXPECT_EQ(*log, (std::vector<std::string>{rows[2].text, rows[1].text, rows[0].text}));
}

TEST_F(ZveiSequence, ExportsAndLauncherStayQuietWhenOff) {
    context.launcher = &launcher;  // no program configured
    send("12345");
    EXPECT_TRUE(window.sentMessages.empty());
    EXPECT_TRUE(window.anwendungLines.empty());
    EXPECT_TRUE(launcher.calls.empty());
    EXPECT_EQ(window.receptionLines, std::vector<std::string>{"##ZVEI#12345##+"});
    EXPECT_EQ(window.rows(ReceptionTable::Zvei).size(), 1u);
}

TEST_F(ZveiSequence, AMissingLogFolderDoesNotStopTheReception) {
    context.programFolder = "/nonexistent/kub-zvei";
    context.tcpExportOn = true;
    send("12345");
    EXPECT_EQ(window.sentMessages, std::vector<std::string>{"##ZVEI#12345##+"});
    EXPECT_EQ(window.rows(ReceptionTable::Zvei).size(), 1u);
    EXPECT_TRUE(context.pageChange.pageChangedPending());
}

}  // namespace
}  // namespace kub
