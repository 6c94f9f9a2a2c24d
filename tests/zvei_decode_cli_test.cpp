// ZVEI through the real tools: `kubmon gen` writes the recording, `kubmon decode` reads
// it back and must print exactly the codes sent, with stream time deciding repeats, and
// names, assignments and the day log from a program folder.

#include <gtest/gtest.h>

#include "support/program_folder.h"

#include <fstream>
#include <string>
#include <vector>

#include "storage/text_file.h"
#include "zvei_test_support.h"

namespace kub {
namespace {

using namespace zveitest;

// The ZVEI lines alone: `kubmon decode` runs every decoder, and FMS, which has no check
// bits, may now and then read a telegram out of a tone sequence.
std::vector<std::string> zveiLines(const std::vector<std::string>& lines) {
    std::vector<std::string> z;
    for (const auto& l : lines)
        if (l.rfind("##ZVEI#", 0) == 0) z.push_back(l);
    return z;
}

TEST(ZveiDecodeCli, GeneratedCodesOnBothChannelsWithStreamTimeRepeats) {
    ScratchFolder dir;
    const std::string wav = dir.file("both.wav");
    ASSERT_TRUE(kubmonGen(quoted(wav) +
                          // Left: a code, the same code 5 s later (a repeat), and again 24 s
                          // after the first (shown again), then every digit and repeat tones.
                          " left gap:500 zvei:12345 gap:5000 zvei:12345 gap:18000 zvei:12345"
                          " gap:1000 zvei:67890 gap:1000 zvei:11111 gap:1000 zvei:90009"
                          // Right: the same code is the right channel's own reception; a
                          // repeat tone first repeats the channel's previous last digit.
                          " right gap:3000 zvei:12345 gap:1000 zvei:24680 gap:1000 zvei:13579"
                          " gap:1000 zvei:R7777"));
    EXPECT_EQ(zveiLines(kubmonDecode(wav)),
              (std::vector<std::string>{"##ZVEI#12345##+", "##ZVEI#12345##+", "##ZVEI#24680##+",
                                        "##ZVEI#13579##+", "##ZVEI#97777##+", "##ZVEI#12345##+",
                                        "##ZVEI#67890##+", "##ZVEI#11111##+", "##ZVEI#90009##+"}));
}

TEST(ZveiDecodeCli, OtherRatesAndFormatsDecodeTheSame) {
    if (!haveTool("sox")) GTEST_SKIP() << "sox missing";
    ScratchFolder dir;
    const std::string wav = dir.file("codes.wav");
    ASSERT_TRUE(kubmonGen(quoted(wav) + " both gap:300 zvei:35791 gap:600 zvei:08642 gap:300"));
    const std::vector<std::string> want = {"##ZVEI#35791##+", "##ZVEI#35791##+", "##ZVEI#08642##+",
                                           "##ZVEI#08642##+"};
    EXPECT_EQ(zveiLines(kubmonDecode(wav)), want);
    for (const char* target : {"r48000.flac", "r44100.wav", "r16000.wav"}) {
        const std::string out = dir.file(target);
        const std::string rate = std::string(target).substr(1, std::string(target).find('.') - 1);
        auto r = runProcess("sox " + quoted(wav) + " -r " + rate + " " + quoted(out));
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(zveiLines(kubmonDecode(out)), want) << target;
    }
}

TEST(ZveiDecodeCli, FolderGivesNamesAssignmentsAndTheDayLog) {
    ScratchFolder dir;
    const std::string folder = dir.file("Programm");
    std::filesystem::create_directories(folder);
    ASSERT_TRUE(kubtest::writeDecodersOnSettings(folder));
    {
        // As another installation wrote them: Windows-1252, CR LF.
        std::ofstream z(folder + "/ZVEI.txt", std::ios::binary);
        z << "12345\tWehr A\t0\r\n23456\tFeuerwehr B\xFCren\t255\r\n";
        std::ofstream a(folder + "/ZVEI_FMS_Zuord.txt", std::ios::binary);
        a << "61234567\t12345\tLF 1\r\n61234568\t12345\tLF 2\r\n61234569\t34567\tDLK M\xFCnster\r\n";
    }
    const std::string wav = dir.file("named.wav");
    ASSERT_TRUE(kubmonGen(quoted(wav) +
                          " gap:300 zvei:12345 gap:500 zvei:23456 gap:500 zvei:34567 gap:500 zvei:45678"));
    const std::vector<std::string> want = {"##ZVEI#12345#Wehr A (LF 1) #+", "##ZVEI#23456#Feuerwehr Büren#+",
                                           "##ZVEI#34567# (DLK Münster) #+", "##ZVEI#45678##+"};
    EXPECT_EQ(kubmonDecode(wav, folder), want);

    // The day log was made in "Logbuch": one row per reception, code TAB name TAB time.
    std::vector<std::string> logs;
    for (const auto& e : std::filesystem::directory_iterator(folder + "/Logbuch"))
        if (e.path().filename().string().rfind("Einsatz-", 0) != 0) logs.push_back(e.path().string());
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(std::filesystem::path(logs[0]).filename().string().rfind("zvei-", 0), 0u);
    auto rows = readTextLines(logs[0]);
    ASSERT_TRUE(rows.has_value());
    ASSERT_EQ(rows->size(), 4u);
    EXPECT_EQ((*rows)[0].rfind("12345\tWehr A (LF 1) \t", 0), 0u);
    EXPECT_EQ((*rows)[1].rfind("23456\tFeuerwehr Büren\t", 0), 0u);
    EXPECT_EQ((*rows)[2].rfind("34567\t (DLK Münster) \t", 0), 0u);
    EXPECT_EQ((*rows)[3].rfind("45678\t\t", 0), 0u);
    for (const auto& r : *rows) {
        // dd.MM.yyyy hh:mm:ss at the end
        ASSERT_GE(r.size(), 19u);
        const std::string t = r.substr(r.size() - 19);
        EXPECT_EQ(t[2], '.');
        EXPECT_EQ(t[5], '.');
        EXPECT_EQ(t[10], ' ');
        EXPECT_EQ(t[13], ':');
    }
    std::ifstream raw(logs[0], std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(raw)), std::istreambuf_iterator<char>());
    EXPECT_NE(bytes.find("B\xFCren\t"), std::string::npos);  // Windows-1252 on disk
    EXPECT_NE(bytes.find("\r\n"), std::string::npos);

    // A second run appends to the same day's log.
    EXPECT_EQ(kubmonDecode(wav, folder), want);
    auto again = readTextLines(logs[0]);
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(again->size(), 8u);
}

TEST(ZveiDecodeCli, NoisyRecordingStillDecodes) {
    ScratchFolder dir;
    const std::string wav = dir.file("noisy.wav");
    ASSERT_TRUE(kubmonGen("--snr 25 --seed 4 " + quoted(wav) +
                          " gap:500 zvei:12345 gap:800 zvei:67890 gap:800 zvei:55555 gap:500"));
    EXPECT_EQ(zveiLines(kubmonDecode(wav)),
              (std::vector<std::string>{"##ZVEI#12345##+", "##ZVEI#67890##+", "##ZVEI#55555##+"}));
}

}  // namespace
}  // namespace kub
