// The FMS test signals against an independent decoder: multimon-ng must read every
// generated telegram as asked for, with correct check bits.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "siggen/fms_signal.h"
#include "support/fms_support.h"
#include "support/run_process.h"

namespace kub {
namespace {

using test::runCommand;

struct Wanted {
    std::string kennung;
    int status, direction, tki;
};

// A spread of telegrams: every status, both directions, every TKI, many Kennungen.
std::vector<Wanted> telegramSpread() {
    const char* kennungen[] = {"623B1234", "12345678", "6A0F9087", "FE015555", "93D20001",
                               "7C4E8642", "B1A99999", "40011203"};
    std::vector<Wanted> out;
    for (int i = 0; i < 32; ++i)
        out.push_back({kennungen[i % 8], i % 16, (i / 16 + i) % 2, (i / 2) % 4});
    return out;
}

// multimon-ng prints the 48 bits as 12 hex digits, the last digit holding the first four
// bits sent; each digit's value is its four bits least significant first.
Wanted parseMultimon(const std::string& hex) {
    auto nibble = [&](int i) {
        const char c = hex[static_cast<std::size_t>(11 - i)];
        return c <= '9' ? c - '0' : c - 'a' + 10;
    };
    Wanted w;
    for (int i = 0; i < 8; ++i) w.kennung += "0123456789ABCDEF"[nibble(i)];
    w.status = nibble(8);
    w.direction = (nibble(9) >> 1) & 1;
    w.tki = (nibble(9) >> 2) & 3;
    return w;
}

TEST(FmsSignal, CheckBitsOfAPublishedTelegram) {
    // A telegram published with its bits: Polizei, NRW, place 54, vehicle 3353, status 4,
    // Baustufe 1, direction 0, TKI 0; the check bits that follow it are 1000010, then 0.
    const std::string data = "1000100110100010110011001010110000101000";
    std::vector<std::uint8_t> bits;
    for (char c : data) bits.push_back(static_cast<std::uint8_t>(c - '0'));
    const auto check = siggen::fmsCheckBits(bits);
    std::string got;
    for (auto b : check) got += static_cast<char>('0' + b);
    EXPECT_EQ(got, "1000010");

    siggen::FmsTelegram t{"19543353", 4, 0, 0, 1};
    const auto all = siggen::fmsTelegramBits(t);
    std::string sent;
    for (auto b : all) sent += static_cast<char>('0' + b);
    EXPECT_EQ(sent, data + "1000010" + "0");
}

TEST(FmsSignal, RejectsMalformedTelegrams) {
    std::string error;
    EXPECT_FALSE(siggen::validFmsTelegram({"1234567", 3, 0, 0, 0}, error));
    EXPECT_FALSE(siggen::validFmsTelegram({"1234567A", 3, 0, 0, 0}, error));
    EXPECT_FALSE(siggen::validFmsTelegram({"12345678", 16, 0, 0, 0}, error));
    EXPECT_FALSE(siggen::validFmsTelegram({"12345678", 3, 2, 0, 0}, error));
    EXPECT_FALSE(siggen::validFmsTelegram({"12345678", 3, 0, 4, 0}, error));
    EXPECT_TRUE(siggen::validFmsTelegram({"ABCD1234", 3, 0, 3, 0}, error));

    std::string out;
    EXPECT_EQ(runCommand(std::string(KUBMON_EXE) + " gen /dev/null fms:1234567Z:3:0:0", out), 2);
    EXPECT_EQ(runCommand(std::string(KUBMON_EXE) + " gen /dev/null fms:12345678:3:0", out), 2);
    EXPECT_EQ(runCommand(std::string(KUBMON_EXE) + " gen /dev/null tonruf1:x", out), 2);
}

TEST(FmsSignal, MultimonReadsEveryGeneratedTelegram) {
    if (!test::toolAvailable("multimon-ng") || !test::toolAvailable("sox"))
        GTEST_SKIP() << "multimon-ng or sox missing";
    test::TempFolder dir;
    const auto wanted = telegramSpread();
    // Left and right carry the same telegrams in opposite order, so both channels of the
    // file are checked.
    std::string cmd = std::string(KUBMON_EXE) + " gen " + dir.path + "/t.wav left gap:300";
    for (const auto& w : wanted)
        cmd += " fms:" + w.kennung + ":" + std::to_string(w.status) + ":" + std::to_string(w.direction) + ":" +
               std::to_string(w.tki) + " gap:150";
    cmd += " right gap:300";
    for (auto it = wanted.rbegin(); it != wanted.rend(); ++it)
        cmd += " fms:" + it->kennung + ":" + std::to_string(it->status) + ":" + std::to_string(it->direction) +
               ":" + std::to_string(it->tki) + " gap:150";
    std::string out;
    ASSERT_EQ(runCommand(cmd, out), 0);

    for (int channel = 1; channel <= 2; ++channel) {
        const std::string raw = dir.path + "/c" + std::to_string(channel) + ".raw";
        ASSERT_EQ(runCommand("sox " + dir.path + "/t.wav -t raw -r 22050 -e signed -b 16 -c 1 " + raw +
                                 " remix " + std::to_string(channel),
                             out),
                  0);
        ASSERT_EQ(runCommand("multimon-ng -q -t raw -a FMSFSK " + raw + "", out), 0);
        std::vector<Wanted> got;
        for (const auto& line : kubtest::splitLines(out)) {
            if (line.rfind("FMS: ", 0) != 0) continue;
            EXPECT_NE(line.find("CRC correct"), std::string::npos) << line;
            got.push_back(parseMultimon(line.substr(5, 12)));
        }
        ASSERT_EQ(got.size(), wanted.size()) << out;
        for (std::size_t i = 0; i < got.size(); ++i) {
            const Wanted& w = channel == 1 ? wanted[i] : wanted[wanted.size() - 1 - i];
            EXPECT_EQ(got[i].kennung, w.kennung);
            EXPECT_EQ(got[i].status, w.status);
            EXPECT_EQ(got[i].direction, w.direction);
            EXPECT_EQ(got[i].tki, w.tki);
        }
    }
}

TEST(FmsSignal, ToneCallsHaveTheirFrequencyAndLength) {
    const auto tone = siggen::toneSignal(1750.0, 500, 0.5);
    ASSERT_EQ(tone.size(), 11025u);
    int crossings = 0;
    for (std::size_t i = 1; i < tone.size(); ++i)
        if (tone[i - 1] < 0 && tone[i] >= 0) ++crossings;
    EXPECT_NEAR(crossings, 875, 2);
}

}  // namespace
}  // namespace kub
