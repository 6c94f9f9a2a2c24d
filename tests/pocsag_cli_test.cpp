// POCSAG through the real tools: `kubmon gen` writes the recording, `kubmon decode` runs
// it through the block dispatch and all six decoders and prints the export lines. Also
// the three real off-air recordings, when they are at hand.

#include <gtest/gtest.h>

#include "support/program_folder.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "storage/text_file.h"
#include "support/run_process.h"

namespace {

class PocsagTools : public ::testing::Test {
protected:
    void SetUp() override { dir = kubtest::makeTempDir("kub-poccli"); }
    void TearDown() override { kubtest::removeTree(dir); }

    std::vector<std::string> genAndDecode(const std::string& genArgs, const std::string& decodeArgs = "") {
        const std::string wav = dir + "/t.wav";
        auto gen = kubtest::runProcess(std::string(KUBMON_EXE) + " gen " + genArgs.substr(0, genArgs.find(" -- ")) +
                                       " " + wav + " " + genArgs.substr(genArgs.find(" -- ") + 4));
        EXPECT_EQ(gen.exitCode, 0) << gen.err;
        auto dec = kubtest::runProcess(std::string(KUBMON_EXE) + " decode " + decodeArgs + " " + wav);
        EXPECT_EQ(dec.exitCode, 0) << dec.err;
        return kubtest::splitLines(dec.out);
    }
    std::string dir;
};

TEST_F(PocsagTools, DecodeEveryRateAndPolarity) {
    for (std::string rate : {"512", "1200", "2400"}) {
        for (std::string opt : {"", "--inverted"}) {
            SCOPED_TRACE(rate + " " + opt);
            const auto lines = genAndDecode(opt + " -- gap:200 'poc" + rate + ":1234567:3:Alarm: Brand, Höhe 3' gap:300 "
                                                  "poctone" + rate + ":1008:1 gap:300");
            const std::vector<std::string> expected{"##POC#1234567#3#Alarm: Brand, Höhe 3#+", "##POC#1008#1##+"};
            EXPECT_EQ(lines, expected);
        }
    }
}

TEST_F(PocsagTools, EachChannelDecodesAndRemembersOnItsOwn) {
    // The same page on both channels is reported once per channel; a page on one channel
    // only, once.
    const auto lines = genAndDecode(" -- both poc1200:1234567:3:Beide gap:300 sync left poc2400:200000:0:Links gap:300 "
                                    "right poc512:300000:1:Rechts gap:300");
    const std::vector<std::string> expected{"##POC#1234567#3#Beide#+", "##POC#1234567#3#Beide#+",
                                            "##POC#200000#0#Links#+", "##POC#300000#1#Rechts#+"};
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 2),
              std::vector<std::string>(expected.begin(), expected.begin() + 2));
    EXPECT_EQ(std::multiset<std::string>(lines.begin() + 2, lines.end()),
              std::multiset<std::string>(expected.begin() + 2, expected.end()));
}

TEST_F(PocsagTools, OtherSignallingGivesNoPageAndIsNotHeldUp) {
    // FMS telegrams, five-tone calls and a long tone call next to a page: the POCSAG
    // decoder reports only the page, and the other decoders of the channel still decode.
    const auto lines = genAndDecode(" -- fms:623B1234:3:0:1 gap:500 zvei:12345 gap:500 tonruf2:2000 gap:500 "
                                    "fms:62341111:5:0:0 gap:300 zvei:54321 gap:500 poc1200:1234567:3:Danach gap:300 "
                                    "zvei:13579 gap:500");
    std::vector<std::string> pages, others;
    for (const auto& l : lines) (l.rfind("##POC#", 0) == 0 ? pages : others).push_back(l);
    EXPECT_EQ(pages, std::vector<std::string>{"##POC#1234567#3#Danach#+"});
    EXPECT_EQ(others.size(), 5u);
}

TEST_F(PocsagTools, RepeatWindowRunsOnStreamTime) {
    // The file decodes in a fraction of a second, but the 20 seconds are those of the
    // recording: 5 s later the page is a repeat, 25 s later it is not.
    const auto lines = genAndDecode(" -- poc2400:1234567:3:Alarm gap:5000 poc2400:1234567:3:Alarm gap:20000 "
                                    "poc2400:1234567:3:Alarm gap:300");
    const std::vector<std::string> expected{"##POC#1234567#3#Alarm#+", "##POC#1234567#3#Alarm#+"};
    EXPECT_EQ(lines, expected);
}

TEST_F(PocsagTools, FolderGivesNamesAndTheDayLog) {
    ASSERT_TRUE(kubtest::writeDecodersOnSettings(dir));
    ASSERT_TRUE(kub::writeTextLines(dir + "/ZVEI.txt", {"1234567\tKreisbrandmeister\t255"}));
    ASSERT_TRUE(kub::writeTextLines(dir + "/ZVEI_FMS_Zuord.txt", {"62341111\t1234567\tFlorian 1"}));
    const auto lines = genAndDecode(" -- poc1200:1234567:2:Übungsalarm gap:300 poc1200:1000000:0:Fremd gap:300",
                                    "--folder " + dir);
    const std::vector<std::string> expected{"##POC#1234567#2#Übungsalarm#+", "##POC#1000000#0#Fremd#+"};
    EXPECT_EQ(lines, expected);
    std::vector<std::string> logs;
    for (const auto& e : std::filesystem::directory_iterator(dir + "/Logbuch"))
        if (e.path().filename().string().rfind("Einsatz-", 0) != 0) logs.push_back(e.path().string());
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(std::filesystem::path(logs[0]).filename().string().rfind("poc-", 0), 0u);
    const auto rows = kub::readTextLines(logs[0]);
    ASSERT_TRUE(rows.has_value());
    ASSERT_EQ(rows->size(), 2u);
    const std::regex first("1234567\t2\tKreisbrandmeister \\(Florian 1\\) \t\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d\tÜbungsalarm");
    const std::regex second("1000000\t0\t\t[0-9.: ]{19}\tFremd");
    EXPECT_TRUE(std::regex_match((*rows)[0], first)) << (*rows)[0];
    EXPECT_TRUE(std::regex_match((*rows)[1], second)) << (*rows)[1];
    // On disk in the files' own 8-bit encoding: "Ü" is one byte.
    std::ifstream raw(logs[0], std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(raw)), std::istreambuf_iterator<char>());
    EXPECT_NE(bytes.find("\t\xDC" "bungsalarm\r\n"), std::string::npos);
}

TEST_F(PocsagTools, ImprovementsReadNoisyPagesTheClassicDecoderGetsWrong) {
    // 5 dB SNR over the whole band; a zero-filled message at 512 bit/s beside a normal one.
    const std::string items = "--snr 5 --seed 1 -- gap:300 'poc1200:1234567:3:Alarm: Brand, Höhe 3' gap:300 "
                              "'poczero512:77777:1:Einsatz AAAAAZ' gap:300";
    const std::vector<std::string> sent{"##POC#1234567#3#Alarm: Brand, Höhe 3#+", "##POC#77777#1#Einsatz AAAAAZ#+"};
    EXPECT_EQ(genAndDecode(items), sent);
    const auto classic = genAndDecode(items, "--klassisch");
    for (const auto& line : sent) {
        EXPECT_EQ(std::count(classic.begin(), classic.end(), line), 0) << line;
    }
}

// Real off-air recordings: noisy, with many codewords two bits wrong. With our
// improvements (the default of `kubmon decode`) they read as an independent decoder reads
// them. The 1200 bit/s one holds a second, tone-only page (671968) after the end of the
// first batch; its batch is not found there, in either mode.
TEST(PocsagRecordings, RealRecordingsDecodeToWhatTheyCarry) {
    const std::string folder = std::string(KUB_SAMPLES_DIR) + "/pocsag";
    if (!std::filesystem::exists(folder + "/POCSAG_sample_-_1200_bps.flac")) GTEST_SKIP() << "no recordings in " << folder;
    const std::vector<std::pair<std::string, std::vector<std::string>>> expected{
        {"512", {"##POC#273040#3#512 B SIDE ZZZZZZ#+"}},
        {"1200", {"##POC#273040#3#+++TIME=0008300324+++TIME=0008300324#+"}},
        {"2400", {"##POC#1022869#1#+++TIME=0008300324+++TIME=0008300324#+"}},
    };
    const std::regex wellFormed("##POC#\\d{1,7}#[0-3]#[^\\n]*#\\+");
    for (const auto& [rate, line] : expected) {
        SCOPED_TRACE(rate);
        const std::string file = "'" + folder + "/POCSAG_sample_-_" + rate + "_bps.flac'";
        auto r = kubtest::runProcess(std::string(KUBMON_EXE) + " decode " + file);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(kubtest::splitLines(r.out), line);

        auto c = kubtest::runProcess(std::string(KUBMON_EXE) + " decode --klassisch " + file);
        ASSERT_EQ(c.exitCode, 0) << c.err;
        const auto classic = kubtest::splitLines(c.out);
        for (const auto& l : classic) EXPECT_TRUE(std::regex_match(l, wellFormed)) << l;
        EXPECT_NE(classic, line);
        std::printf("[ recording %s bit/s, classic ] %zu line(s)\n", rate.c_str(), classic.size());
        for (const auto& l : classic) std::printf("    %s\n", l.c_str());
    }
}

}  // namespace
