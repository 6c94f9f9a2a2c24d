// POCSAG through what the air and a radio's audio path do to the bits: an echo a few
// milliseconds late, a voice channel without the low frequencies. Six pages at 15 dB each
// case, both polarities: most read exactly, and nothing reported that was not sent (a text
// that the noise cut short after a codeword beyond repair is the beginning of one sent).

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "common/band_pass_filter.h"
#include "siggen/pocsag_signal.h"
#include "siggen/repeatable_random.h"
#include "support/pocsag_harness.h"

namespace {

struct FrontEndCase {
    const char* name;
    double rate;
    std::function<void(std::vector<float>&)> impair;
    int atLeast;  // pages of the six read exactly
};

void echo(std::vector<float>& x) {
    // 3 ms at half amplitude: 1.5 bits late at 512 bit/s, 7 at 2400.
    const std::size_t d = 66;
    for (std::size_t i = x.size(); i-- > d;) x[i] = static_cast<float>(x[i] + 0.5 * x[i - d]);
}

void voiceBand(std::vector<float>& x) {
    kub::BandPassFilter f(300, 3000, 4, 4);
    for (float& v : x) v = static_cast<float>(f.step(v));
}

class PocsagFrontEnd : public testing::TestWithParam<FrontEndCase> {};

TEST_P(PocsagFrontEnd, PagesReadAndNothingElse) {
    const FrontEndCase& c = GetParam();
    siggen::RepeatableRandom rng(static_cast<std::uint64_t>(c.rate) + 27);
    // A monitor listens all day: the first page does not come with the first block.
    std::vector<float> audio(3 * 22050, 0.0f);
    std::vector<std::string> sent;
    double energy = 0;
    std::size_t n = 0;
    for (int p = 0; p < 6; ++p) {
        const auto ric = static_cast<std::uint32_t>(300000 + 7919 * p + rng.between(0, 99));
        const std::string text = "Einsatz " + std::to_string(p) + ": Brand Lagerhalle, Person eingeklemmt";
        const auto s = siggen::pocsagSignal({{ric, p % 4, siggen::PocsagContent::Alpha, text}}, c.rate, 0.3, p % 2 == 1);
        for (float v : s) energy += static_cast<double>(v) * v;
        n += s.size();
        audio.insert(audio.end(), 11025, 0.0f);
        audio.insert(audio.end(), s.begin(), s.end());
        sent.push_back("##POC#" + std::to_string(ric) + "#" + std::to_string(p % 4) + "#" + text + "#+");
    }
    audio.insert(audio.end(), 22050, 0.0f);
    const double sigma = std::sqrt(energy / static_cast<double>(n) / std::pow(10.0, 15.0 / 10));
    for (float& v : audio) v = static_cast<float>(v + rng.gaussian(sigma));
    c.impair(audio);

    kubtest::PocsagHarness h;
    h.context.options = kub::DecoderOptions::allOn();
    h.feed(audio);
    h.silence(1.5);
    int read = 0;
    for (const std::string& got : h.window.receptionLines) {
        const bool exact = std::find(sent.begin(), sent.end(), got) != sent.end();
        const std::string head = got.substr(0, got.size() - 2);  // without "#+"
        const bool cut = std::any_of(sent.begin(), sent.end(), [&head](const std::string& s) { return s.starts_with(head); });
        EXPECT_TRUE(exact || cut) << got;
        read += exact ? 1 : 0;
    }
    EXPECT_GE(read, c.atLeast);
}

INSTANTIATE_TEST_SUITE_P(, PocsagFrontEnd,
                         testing::Values(FrontEndCase{"Echo512", 512, echo, 5}, FrontEndCase{"Echo1200", 1200, echo, 5},
                                         FrontEndCase{"Echo2400", 2400, echo, 5},
                                         FrontEndCase{"VoiceBand1200", 1200, voiceBand, 4},
                                         FrontEndCase{"VoiceBand2400", 2400, voiceBand, 4}),
                         [](const testing::TestParamInfo<FrontEndCase>& p) { return std::string(p.param.name); });

}  // namespace
