// FMS from audio to reception: generated telegrams through the real `kubmon decode`,
// text transmissions and tone calls through the decoder and the recording window, and
// audio that holds no FMS at all.

#include <gtest/gtest.h>

#include "support/program_folder.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

#include "siggen/fms_signal.h"
#include "siggen/repeatable_random.h"
#include "storage/day_log.h"
#include "storage/text_file.h"
#include "support/fms_support.h"
#include "support/run_process.h"

namespace kub {
namespace {

using test::runCommand;

std::string item(const std::string& k, int status, int direction, int tki) {
    return "fms:" + k + ":" + std::to_string(status) + ":" + std::to_string(direction) + ":" + std::to_string(tki);
}
std::string exportLine(const std::string& k, int status, int direction, int tki) {
    return "##FMS#" + k + "#" + std::to_string(status) + "#" + std::to_string(tki) + std::to_string(direction) + "#+";
}

std::vector<std::string> fmsLines(const std::string& out) {
    std::vector<std::string> lines;
    for (auto& l : kubtest::splitLines(out))
        if (l.rfind("##FMS#", 0) == 0) lines.push_back(l);
    return lines;
}

TEST(FmsDecode, EveryStatusDirectionAndTkiThroughKubmon) {
    test::TempFolder dir;
    const char* kennungen[] = {"623B1234", "12345678", "6A0F9087", "FE015555", "93D20001", "7C4E8642",
                               "B1A99999", "40011203", "D9E10204", "8F7A3210", "C0C05050", "2F116789"};
    std::vector<std::string> wanted;
    std::string leftItems, rightItems;
    int n = 0;
    for (int status = 0; status < 16; ++status)
        for (int direction = 0; direction < 2; ++direction)
            for (int tki = 0; tki < 4; ++tki) {
                const std::string k = kennungen[n % 12];
                std::string& items = n % 2 ? rightItems : leftItems;
                // Status 10 towards the vehicle announces a text: it is sent as one.
                if (status == 10 && direction == 1)
                    items += " fmstext:" + k + ":" + std::to_string(tki) + ":Text" + std::to_string(tki);
                else
                    items.append(" ").append(item(k, status, direction, tki));
                items += " gap:" + std::to_string(120 + 37 * (n % 5));
                wanted.push_back(exportLine(k, status, direction, tki));
                ++n;
            }
    const std::string wav = dir.path + "/alle.wav";
    std::string out;
    ASSERT_EQ(runCommand(std::string(KUBMON_EXE) + " gen " + wav + " left gap:200" + leftItems + " right gap:333" +
                             rightItems,
                         out),
              0);
    ASSERT_EQ(runCommand(std::string(KUBMON_EXE) + " decode " + wav, out), 0);
    auto got = fmsLines(out);
    std::sort(got.begin(), got.end());
    std::sort(wanted.begin(), wanted.end());
    std::vector<std::string> missing, extra;
    std::set_difference(wanted.begin(), wanted.end(), got.begin(), got.end(), std::back_inserter(missing));
    std::set_difference(got.begin(), got.end(), wanted.begin(), wanted.end(), std::back_inserter(extra));
    EXPECT_TRUE(missing.empty()) << "missing: " << testing::PrintToString(missing);
    EXPECT_TRUE(extra.empty()) << "extra: " << testing::PrintToString(extra);
}

TEST(FmsDecode, FolderRunWritesStatusFilesAndTheDayLog) {
    test::TempFolder dir;
    ASSERT_TRUE(writeTextLines(dir.path + "/Fzg.txt", {"Wache Süd\t\t", "Florian Süd 1\tHLF\t623B1234",
                                                      "RTW\tRettung\t62341234"}));
    ASSERT_TRUE(kubtest::writeDecodersOnSettings(dir.path));
    const std::string wav = dir.path + "/in.wav";
    std::string out;
    ASSERT_EQ(runCommand(std::string(KUBMON_EXE) + " gen " + wav +
                             " gap:100 fms:623B1234:3:0:1 gap:200 fms:62341234:8:1:0 gap:200 fms:12345678:7:0:0"
                             " gap:200 'fmstext:62341234:2:Zum Einsatz: B 42' gap:300",
                         out),
              0);
    ASSERT_EQ(runCommand(std::string(KUBMON_EXE) + " decode --folder " + dir.path + " " + wav, out), 0);
    EXPECT_EQ(fmsLines(out), (std::vector<std::string>{"##FMS#623B1234#3#10#+", "##FMS#62341234#8#01#+",
                                                       "##FMS#12345678#7#00#+", "##FMS#62341234#10#21#+"}));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path + "/Logbuch"));
    auto status = readTextLines(dir.path + "/Status/1.txt");
    ASSERT_TRUE(status);
    ASSERT_EQ(status->size(), 1u);
    EXPECT_EQ(status->front().substr(0, 4), "3\t1\t");
    EXPECT_FALSE(fileExists(dir.path + "/Status/2.txt")) << "direction 1 does not set a status";

    std::vector<std::string> logs;
    for (auto& e : std::filesystem::directory_iterator(dir.path + "/Logbuch")) logs.push_back(e.path().string());
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(std::filesystem::path(logs[0]).filename().string().rfind("FMS-", 0), 0u);
    auto rows = readTextLines(logs[0]);
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 4u);
    auto cells = test::splitTabs((*rows)[0]);
    EXPECT_EQ(cells[0], "Florian Süd 1");
    EXPECT_EQ(cells[2], "623B1234");
    cells = test::splitTabs((*rows)[2]);
    EXPECT_EQ(cells[0], "?");
    cells = test::splitTabs((*rows)[3]);
    ASSERT_EQ(cells.size(), 8u);
    EXPECT_EQ(cells[0], "RTW");
    EXPECT_EQ(cells[3], "c");
    EXPECT_EQ(cells[7], "Zum Einsatz: B 42");
}

TEST(FmsDecode, FolderThatCannotBeWrittenIsReportedOnStderr) {
    test::TempFolder dir;
    const std::string wav = dir.path + "/in.wav";
    ASSERT_TRUE(kubtest::writeDecodersOnSettings(dir.path));
    // A file where the log folder should be: no log can be written there.
    ASSERT_TRUE(writeTextLines(dir.path + "/Logbuch", {"x"}));
    std::string out;
    ASSERT_EQ(runCommand(std::string(KUBMON_EXE) + " gen " + wav + " fms:623B1234:3:0:1 gap:100", out), 0);
    ASSERT_EQ(runCommand(std::string(KUBMON_EXE) + " decode --folder " + dir.path + " " + wav, out), 0);
    EXPECT_NE(out.find("##FMS#623B1234#3#10#+"), std::string::npos);
    EXPECT_NE(out.find("FMS-Logbuch nicht geschrieben"), std::string::npos) << out;
}

TEST(FmsDecode, FolderWithoutSettingsDecodesEverythingAndItsSwitchesCount) {
    test::TempFolder dir;
    const std::string wav = dir.path + "/in.wav";
    std::string out;
    ASSERT_EQ(runCommand(std::string(KUBMON_EXE) + " gen " + wav +
                             " left fms:623B1234:3:0:1 gap:100 right fms:62341234:4:0:0 gap:100",
                         out),
              0);
    // A new folder has every decoder on.
    ASSERT_EQ(runCommand(std::string(KUBMON_EXE) + " decode --folder " + dir.path + " " + wav, out), 0);
    EXPECT_EQ(fmsLines(out).size(), 2u);
    // Only the right channel's FMS decoder ticked.
    kub::Settings s = kub::defaultSettings();
    s.fmsRight = 1;
    ASSERT_TRUE(kub::saveSettings(dir.path, s));
    ASSERT_EQ(runCommand(std::string(KUBMON_EXE) + " decode --folder " + dir.path + " " + wav, out), 0);
    EXPECT_EQ(fmsLines(out), std::vector<std::string>{"##FMS#62341234#4#00#+"});
    // Without a folder every decoder listens.
    ASSERT_EQ(runCommand(std::string(KUBMON_EXE) + " decode " + wav, out), 0);
    EXPECT_EQ(fmsLines(out).size(), 2u);
}

// Text transmissions of many lengths reach the row's last cell, through one channel's
// decoder as the monitor runs it.
TEST(FmsDecode, TextTransmissionsArriveWhole) {
    const std::vector<std::string> texts = {
        "", "A", "Hallo", "Einsatz: Brand in Halle 3, B 42 gesperrt!",
        "ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz 0123456789 .,;:-+*/()=?~{}[]|@#$%&^_`<>'\"\\",
    };
    for (const auto& text : texts) {
        test::FmsRig rig;
        test::TempFolder dir;
        rig.context.programFolder = dir.path;
        ASSERT_TRUE(createProgramFolders(dir.path));
        std::vector<float> signal(3000, 0.0f);
        std::vector<float> sig;
        std::string error;
        ASSERT_TRUE(siggen::fmsTextSignal("62341234", 1, text, 0.5, sig, error)) << error;
        signal.insert(signal.end(), sig.begin(), sig.end());
        // An ordinary telegram right after the transmission is still received.
        auto after = siggen::fmsTelegramSignal({"623B1234", 2, 0, 0, 0}, 0.5);
        signal.resize(signal.size() + 2000, 0.0f);
        signal.insert(signal.end(), after.begin(), after.end());
        rig.feed(signal);
        const auto& rows = rig.window.rows(ReceptionTable::Fms);
        ASSERT_EQ(rows.size(), 2u) << text;
        auto cells = test::splitTabs(rows[1].text);
        ASSERT_EQ(cells.size(), 8u);
        EXPECT_EQ(cells[3], "c");
        EXPECT_EQ(cells[5], "Lst->Fzg");
        EXPECT_EQ(cells[7], text);
        EXPECT_EQ(rig.flags.fmsBusy, false);
        auto log = readTextLines(dayLogPath(dir.path, LogKind::Fms, rig.clock.now()));
        ASSERT_TRUE(log);
        ASSERT_EQ(log->size(), 2u);
        EXPECT_EQ(log->front(), rows[1].text);
        EXPECT_EQ(rig.window.receptionLines.front(), "##FMS#62341234#10#11#+");
    }
}

TEST(FmsDecode, ToneCallsAreReportedOnceOnList1) {
    struct Case {
        const char* kind;
        double hz;
        double ms;
        int expected;
    };
    for (const Case& c : {Case{"Tonruf I", 1750, 1500, 1}, Case{"Tonruf II", 2135, 800, 1},
                          Case{"Tonruf I", 1770, 600, 1}, Case{"Tonruf II", 2110, 600, 1},
                          Case{"Tonruf I", 1700, 1000, 0}, Case{"Tonruf II", 2180, 1000, 0},
                          Case{"Tonruf I", 1750, 300, 0}, Case{"Tonruf II", 2135, 300, 0},
                          Case{"", 1200, 1000, 0}, Case{"", 1950, 1000, 0}}) {
        test::FmsRig rig;
        std::vector<float> signal(5000, 0.0f);
        auto tone = siggen::toneSignal(c.hz, c.ms, 0.4);
        signal.insert(signal.end(), tone.begin(), tone.end());
        rig.feed(signal);
        const auto& lines = rig.window.alerts(AlertList::List1).lines;
        ASSERT_EQ(static_cast<int>(lines.size()), c.expected) << c.hz << " Hz " << c.ms << " ms";
        if (c.expected) {
            const std::string subject = std::string(c.kind).append("        \t");
            EXPECT_NE(lines[0].find(subject), std::string::npos) << lines[0];
            EXPECT_EQ(lines[0].find("Tonruf II"), c.kind == std::string("Tonruf I") ? std::string::npos : 9u);
        }
        EXPECT_TRUE(rig.window.receptionLines.empty());
        EXPECT_TRUE(rig.window.alerts(AlertList::List2).lines.empty());
    }
    // Both tones one after the other, through the real tool's generator.
    test::FmsRig rig;
    auto a = siggen::toneSignal(1750, 600, 0.4);
    auto b = siggen::toneSignal(2135, 600, 0.4);
    std::vector<float> signal(3000, 0.0f);
    signal.insert(signal.end(), a.begin(), a.end());
    signal.resize(signal.size() + 4000, 0.0f);
    signal.insert(signal.end(), b.begin(), b.end());
    rig.feed(signal);
    const auto& lines = rig.window.alerts(AlertList::List1).lines;
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("Tonruf I "), std::string::npos);
    EXPECT_NE(lines[1].find("Tonruf II "), std::string::npos);
}

// Telegrams survive what a receiver does to them: hard clipping, a DC offset, noise.
TEST(FmsDecode, TelegramsSurviveClippingDcAndNoise) {
    siggen::RepeatableRandom rng(7);
    const siggen::FmsTelegram t{"6A4C3021", 4, 0, 2, 0};
    for (int variant = 0; variant < 3; ++variant) {
        test::FmsRig rig;
        std::vector<float> signal(4000, 0.0f);
        auto s = siggen::fmsTelegramSignal(t, variant == 0 ? 3.0 : 0.4);
        signal.insert(signal.end(), s.begin(), s.end());
        signal.resize(signal.size() + 4000, 0.0f);
        for (float& x : signal) {
            if (variant == 0) x = std::clamp(x, -1.0f, 1.0f);  // a square wave, in effect
            if (variant == 1) x += 0.3f;
            if (variant == 2) x += static_cast<float>(rng.gaussian(0.04));  // about 17 dB SNR
        }
        rig.feed(signal);
        EXPECT_EQ(rig.window.receptionLines, std::vector<std::string>{"##FMS#6A4C3021#4#20#+"}) << variant;
    }
}

// Audio without FMS: nothing is received, nothing is read outside the rings (the
// sanitizer build watches), the decoder never stays stuck.
TEST(FmsDecode, AudioWithoutFmsGivesNoReceptions) {
    siggen::RepeatableRandom rng(11);
    const std::size_t n = 22050 * 20;
    std::vector<std::vector<float>> inputs;
    for (float level : {0.0005f, 0.02f, 0.3f, 2.0f}) {  // 2.0: noise clipped hard
        std::vector<float> v(n);
        for (float& x : v) x = std::clamp(static_cast<float>(rng.gaussian(level)), -1.0f, 1.0f);
        inputs.push_back(v);
    }
    {
        // Speech-like: a gliding voiced tone with harmonics, syllable envelope, pauses.
        std::vector<float> v(n);
        double phase = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const double t = static_cast<double>(i) / 22050.0;
            const double f0 = 130.0 + 40.0 * std::sin(2 * std::numbers::pi * 0.7 * t) + 15.0 * std::sin(2 * std::numbers::pi * 5.3 * t);
            phase += 2 * std::numbers::pi * f0 / 22050.0;
            double s = 0;
            for (int h = 1; h <= 20; ++h) s += std::sin(h * phase) / h * (1.0 + std::sin(t * 3.1 * h));
            const double env = std::max(0.0, std::sin(2 * std::numbers::pi * 3.7 * t)) * (std::fmod(t, 2.3) < 1.9 ? 1 : 0);
            v[i] = static_cast<float>(std::clamp(0.15 * env * s + 0.01 * rng.uniform(-1.0, 1.0), -1.0, 1.0));
        }
        inputs.push_back(v);
    }
    inputs.emplace_back(n, 0.0f);     // digital silence
    inputs.emplace_back(n, 0.6f);     // DC only
    {
        std::vector<float> v(n);      // DC steps and full-scale square bursts
        for (std::size_t i = 0; i < n; ++i) v[i] = (i / 3000) % 3 == 0 ? 1.0f : ((i / 9) % 2 ? -1.0f : 0.7f);
        inputs.push_back(v);
    }
    {
        std::vector<float> v(n);      // sweeps through the FMS band, 1000..2400 Hz
        double phase = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const double f = 1000.0 + 1400.0 * std::fmod(static_cast<double>(i) / 44100.0, 1.0);
            phase += 2 * std::numbers::pi * f / 22050.0;
            v[i] = static_cast<float>(0.5 * std::sin(phase));
        }
        inputs.push_back(v);
    }
    for (std::size_t k = 0; k < inputs.size(); ++k) {
        test::FmsRig rig;
        rig.feed(inputs[k]);
        EXPECT_TRUE(rig.window.receptionLines.empty()) << "input " << k << ": " << rig.window.receptionLines.front();
        EXPECT_EQ(rig.window.tableRowCount(ReceptionTable::Fms), 1) << k;
        EXPECT_EQ(rig.flags.fmsBusy, false) << k;
        // The sweep passes 1750 Hz, but holds it for a few milliseconds only.
        EXPECT_TRUE(rig.window.alerts(AlertList::List1).lines.empty()) << k;
        const auto& d = rig.decoder.demodulator();
        EXPECT_TRUE(d.ringRead() >= 0 && d.ringRead() < 1024 && d.ringWrite() >= 0 && d.ringWrite() < 1024);
    }
}

// Real off-air recordings that hold POCSAG, not FMS.
TEST(FmsDecode, RealPocsagRecordingsGiveNoFms) {
    const std::filesystem::path samples = std::filesystem::path(KUB_SAMPLES_DIR) / "pocsag";
    if (!std::filesystem::is_directory(samples)) GTEST_SKIP() << "no sample recordings";
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(samples)) {
        if (e.path().extension() != ".flac") continue;
        ++files;
        std::string out;
        ASSERT_EQ(runCommand(std::string(KUBMON_EXE) + " decode '" + e.path().string() + "'", out), 0);
        EXPECT_TRUE(fmsLines(out).empty()) << e.path() << "\n" << out;
    }
    if (files == 0) GTEST_SKIP() << "no sample recordings";
}

}  // namespace
}  // namespace kub
