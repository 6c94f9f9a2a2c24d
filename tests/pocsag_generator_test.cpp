// The POCSAG generator checked against an independent decoder (multimon-ng): every rate,
// both polarities, alphanumeric, numeric, tone-only and several messages at once. Also
// the codeword arithmetic against known POCSAG codewords.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "siggen/pocsag_signal.h"
#include "support/run_process.h"

namespace {

using siggen::pocsagCodeword;

bool haveTools() {
    return kubtest::runProcess("command -v multimon-ng >/dev/null && command -v sox >/dev/null").exitCode == 0;
}

// multimon-ng's lines for a generated file, with the fill after the first end-of-text
// character taken off.
std::vector<std::string> multimon(const std::string& dir, const std::string& items, bool invert,
                                  const std::string& mode, const std::string& genOptions = "") {
    const std::string wav = dir + "/p.wav", raw = dir + "/p.raw";
    auto gen = kubtest::runProcess(std::string(KUBMON_EXE) + " gen " + genOptions + " " + wav + " " + items);
    EXPECT_EQ(gen.exitCode, 0) << gen.err;
    auto sox = kubtest::runProcess("sox " + wav + " -t raw -r 22050 -e signed -b 16 -c 1 " + raw + " remix 1");
    EXPECT_EQ(sox.exitCode, 0) << sox.err;
    auto mm = kubtest::runProcess("multimon-ng -q -t raw -a POCSAG512 -a POCSAG1200 -a POCSAG2400 " +
                                  std::string(invert ? "-i " : "") + "-f " + mode + " " + raw);
    std::vector<std::string> lines;
    for (std::string line : kubtest::splitLines(mm.out)) {
        const std::size_t eot = line.find("<EOT>");
        if (eot != std::string::npos && line.find_first_not_of("<EOT>", eot) == std::string::npos) {
            line.resize(eot + 5);
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

TEST(PocsagCodewords, CheckBitsAndParityMatchKnownCodewords) {
    // The idle and sync codewords are themselves valid codewords of the code.
    EXPECT_EQ(pocsagCodeword(siggen::kPocsagIdle), siggen::kPocsagIdle);
    EXPECT_EQ(pocsagCodeword(siggen::kPocsagSync), siggen::kPocsagSync);
    for (std::uint32_t ric : {0u, 7u, 1234567u, 2097151u}) {
        for (int f = 0; f < 4; ++f) {
            const std::uint32_t w = siggen::pocsagAddressCodeword(ric, f);
            EXPECT_EQ(w >> 31, 0u);
            EXPECT_EQ((w >> 13) & 0x3FFFFu, ric >> 3);
            EXPECT_EQ((w >> 11) & 3u, static_cast<std::uint32_t>(f));
            EXPECT_EQ(std::popcount(w) % 2, 0) << "even parity";
        }
    }
    // "Test" + end of text: 7-bit characters least significant bit first.
    const auto words = siggen::pocsagAlphaCodewords("Test");
    ASSERT_EQ(words.size(), 2u);  // 35 bits
    EXPECT_EQ(words[0] >> 31, 1u);
    std::uint64_t bits = (static_cast<std::uint64_t>((words[0] >> 11) & 0xFFFFF) << 20) | ((words[1] >> 11) & 0xFFFFF);
    std::string text;
    for (int c = 0; c < 5; ++c) {
        unsigned v = 0;
        for (int b = 0; b < 7; ++b) v |= static_cast<unsigned>((bits >> (39 - (7 * c + b))) & 1u) << b;
        text += static_cast<char>(v);
    }
    EXPECT_EQ(text, std::string("Test\x04"));
}

class PocsagGeneratorVsMultimon : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveTools()) GTEST_SKIP() << "multimon-ng or sox missing";
        dir = kubtest::makeTempDir("kub-pocgen");
    }
    void TearDown() override {
        if (!dir.empty()) kubtest::removeTree(dir);
    }
    std::string dir;
};

TEST_F(PocsagGeneratorVsMultimon, EveryRateDecodesExactlyInNormalPolarity) {
    for (std::string rate : {"512", "1200", "2400"}) {
        SCOPED_TRACE(rate);
        const auto lines = multimon(dir,
                                    "'poc" + rate + ":1234567:3:Alarm: Brand 3. OG, Musterstr. 12' gap:300 "
                                    "poctone" + rate + ":8:0 gap:300 "
                                    "'pocmulti" + rate + ":1000000:2:Erste;2000001:1:Zweite' gap:300",
                                    false, "alpha");
        const std::string p = "POCSAG" + rate + ": Address: ";
        ASSERT_EQ(lines.size(), 4u);
        EXPECT_EQ(lines[0], p + "1234567  Function: 3  Alpha:   Alarm: Brand 3. OG, Musterstr. 12<EOT>");
        EXPECT_EQ(lines[1], p + "      8  Function: 0");
        EXPECT_EQ(lines[2], p + "1000000  Function: 2  Alpha:   Erste<EOT>");
        EXPECT_EQ(lines[3], p + "2000001  Function: 1  Alpha:   Zweite<EOT>");
    }
}

TEST_F(PocsagGeneratorVsMultimon, InvertedPolarityNeedsTheInvertingReader) {
    const std::string items = "poc1200:333333:1:Umgekehrt gap:300";
    EXPECT_TRUE(multimon(dir, items, false, "alpha", "--inverted").empty());
    // Digital silence after the transmission reads as a run of all-zero codewords (address
    // 0) to multimon-ng's inverting reader; only the first line is ours.
    const auto lines = multimon(dir, items, true, "alpha", "--inverted");
    ASSERT_GE(lines.size(), 1u);
    EXPECT_EQ(lines[0], "POCSAG1200: Address:  333333  Function: 1  Alpha:   Umgekehrt<EOT>");
}

TEST_F(PocsagGeneratorVsMultimon, NumericMessagesAndLongMessages) {
    auto lines = multimon(dir, "pocnum512:54321:0:0123456789-U[] gap:300", false, "numeric");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "POCSAG512: Address:   54321  Function: 0  Numeric: 0123456789-U[]");

    std::string longText;
    for (int i = 0; longText.size() < 400; ++i) longText += "Zeile " + std::to_string(i) + " ";
    lines = multimon(dir, "'poc2400:2097151:3:" + longText + "' gap:300", false, "alpha");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "POCSAG2400: Address: 2097151  Function: 3  Alpha:   " + longText + "<EOT>");
}

TEST(PocsagGeneratorItems, RejectsMalformedItemsAndIgnoresOtherKinds) {
    const std::string gen = std::string(KUBMON_EXE) + " gen /dev/null ";
    EXPECT_EQ(kubtest::runProcess(gen + "poc1200:abc:3:x").exitCode, 2);
    EXPECT_EQ(kubtest::runProcess(gen + "poc1200:2097152:3:x").exitCode, 2);
    EXPECT_EQ(kubtest::runProcess(gen + "poc1200:12:4:x").exitCode, 2);
    EXPECT_EQ(kubtest::runProcess(gen + "poc9600:12:1:x").exitCode, 2);
    EXPECT_EQ(kubtest::runProcess(gen + "poc1200:12").exitCode, 2);
}

}  // namespace
