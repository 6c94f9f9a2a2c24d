// The ZVEI test-signal generator: what it sends for a code, and an independent decoder
// (multimon-ng) reading exactly the asked codes from `kubmon gen` output, on either channel.

#include <gtest/gtest.h>

#include "siggen/zvei_signal.h"
#include "zvei_test_support.h"

namespace kub {
namespace {

using namespace zveitest;

TEST(ZveiSignal, RepeatedCharactersBecomeTheRepeatTone) {
    EXPECT_EQ(siggen::zveiToneSymbols("12345"), "12345");
    EXPECT_EQ(siggen::zveiToneSymbols("12245"), "12R45");
    EXPECT_EQ(siggen::zveiToneSymbols("11111"), "1R1R1");
    EXPECT_EQ(siggen::zveiToneSymbols("12225"), "12R25");
    EXPECT_EQ(siggen::zveiToneSymbols("R2345"), "R2345");  // explicit repeat tone first
    EXPECT_EQ(siggen::zveiToneSymbols("1e345"), "1R345");
    EXPECT_EQ(siggen::zveiToneSymbols("12X45"), "");       // no tone for X
    EXPECT_EQ(siggen::zveiToneSymbols(""), "");

    // 70 ms per tone, amplitude as asked, silence nowhere inside.
    auto s = siggen::zveiSequence("12245", 0.5);
    ASSERT_EQ(s.size(), 5u * 1544u);
    float peak = 0;
    for (float v : s) peak = std::max(peak, std::fabs(v));
    EXPECT_NEAR(peak, 0.5f, 0.01f);
    EXPECT_TRUE(siggen::zveiSequence("12Z45", 0.5).empty());
}

TEST(ZveiSignal, GenItemRejectsMalformedItems) {
    ScratchFolder dir;
    const std::string out = dir.file("x.wav");
    for (const char* bad : {"zvei:", "zvei:12X45", "zvei:12345:0", "zvei:12345:abc", "zvei:1:2:3"}) {
        auto r = runProcess(std::string(KUBMON_EXE) + " gen " + quoted(out) + " " + bad);
        EXPECT_EQ(r.exitCode, 2) << bad;
        EXPECT_NE(r.err.find("kubmon gen"), std::string::npos) << bad;
    }
}

class ZveiMultimon : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveTool("multimon-ng") || !haveTool("sox")) GTEST_SKIP() << "multimon-ng or sox missing";
    }
    // multimon-ng's ZVEI1 reading of one channel (1 left, 2 right).
    std::vector<std::string> multimon(const std::string& wav, int channel) {
        const std::string raw = wav + std::to_string(channel) + ".raw";
        auto conv = runProcess("sox " + quoted(wav) + " -t raw -r 22050 -e signed -b 16 -c 1 " +
                               quoted(raw) + " remix " + std::to_string(channel));
        EXPECT_EQ(conv.exitCode, 0) << conv.err;
        auto r = runProcess("multimon-ng -q -t raw -a ZVEI1 " + quoted(raw));
        std::vector<std::string> found;
        for (const auto& l : splitLines(r.out)) {
            if (l.rfind("ZVEI1: ", 0) == 0) found.push_back(l.substr(7));
        }
        return found;
    }
    static std::string asMultimonShows(const std::string& code) {
        std::string s = siggen::zveiToneSymbols(code);
        for (char& c : s) {
            if (c == 'R') c = 'E';
        }
        return s;
    }
};

TEST_F(ZveiMultimon, ReadsEveryDigitAndTheRepeatToneOnBothChannels) {
    ScratchFolder dir;
    const std::string wav = dir.file("codes.wav");
    const std::vector<std::string> leftCodes = {"12345", "67890", "11111", "12245", "90009", "55678"};
    const std::vector<std::string> rightCodes = {"24680", "13579", "99999", "30303", "77012"};
    std::string args = quoted(wav) + " left gap:200";
    for (const auto& c : leftCodes) args += " zvei:" + c + " gap:400";
    args += " right gap:300";
    for (const auto& c : rightCodes) args += " zvei:" + c + " gap:450";
    ASSERT_TRUE(kubmonGen(args));

    std::vector<std::string> expectLeft, expectRight;
    for (const auto& c : leftCodes) expectLeft.push_back(asMultimonShows(c));
    for (const auto& c : rightCodes) expectRight.push_back(asMultimonShows(c));
    EXPECT_EQ(multimon(wav, 1), expectLeft);
    EXPECT_EQ(multimon(wav, 2), expectRight);
}

TEST_F(ZveiMultimon, ReadsTheExplicitRepeatToneAndLowAmplitude) {
    ScratchFolder dir;
    const std::string wav = dir.file("r.wav");
    ASSERT_TRUE(kubmonGen("--amplitude 0.05 " + quoted(wav) + " gap:200 zvei:1R345 gap:400 zvei:R2345 gap:300"));
    EXPECT_EQ(multimon(wav, 1), (std::vector<std::string>{"1E345", "E2345"}));
}

}  // namespace
}  // namespace kub
