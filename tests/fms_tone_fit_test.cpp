// The tones of a rescued FMS telegram fitted to the audio it was read from: the telegram
// sent leaves only the noise, one that passed its check bits by chance leaves its wrong
// bits' stretches. Through a GSM telephone line, rescues took such telegrams; each seed
// below once showed one that was never sent.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "common/decoder_options.h"
#include "decoders/fms/fms_decoder.h"
#include "decoders/fms/fms_tone_fit.h"
#include "siggen/fms_signal.h"
#include "siggen/repeatable_random.h"
#include "support/fms_support.h"

namespace kub {
namespace {

TEST(FmsToneFit, TheTelegramSentFitsAndOneWithBitsWrongDoesNot) {
    struct Case {
        const char* name;
        bool echo;      // a copy 3 ms late at half amplitude
        bool filtered;  // through the decoder's band-pass, which the tones then go through too
        double snrDb;
    };
    const Case cases[] = {
        {"clean", false, false, 60.0},
        {"echo", true, false, 15.0},
        {"echo, band-pass", true, true, 15.0},
        {"noise at 2 dB, band-pass", false, true, 2.0},
    };
    siggen::FmsTelegram telegram{"623B1110", 3, 0, 2, 0};
    std::vector<std::uint8_t> bits = {0, 0, 0, 1, 1, 0, 1, 0};
    for (std::uint8_t b : siggen::fmsTelegramBits(telegram)) bits.push_back(b);
    const std::vector<std::vector<int>> wrongBits = {{20}, {12, 30, 41}, {9, 27, 36, 50}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        siggen::RepeatableRandom rng(5);
        std::vector<double> audio(400, 0.0);
        for (float v : siggen::fmsTelegramSignal(telegram, 0.5)) audio.push_back(v);
        audio.resize(audio.size() + 400, 0.0);
        if (c.echo)
            for (std::size_t i = audio.size(); i-- > 66;) audio[i] += 0.5 * audio[i - 66];
        const double sigma = 0.5 / std::sqrt(2.0) / std::pow(10.0, c.snrDb / 20.0);
        for (double& v : audio) v += rng.gaussian(sigma);
        BandPassFilter filter = FmsDecoder::fmsBandPass();
        const BandPassFilter shape = filter.atRest();
        if (c.filtered)
            for (double& v : audio) v = filter.step(v);
        // The sync word starts behind 16 preamble bits.
        const double start = 400.0 + 16 * 22050.0 / 1200.0;
        const BandPassFilter* through = c.filtered ? &shape : nullptr;
        EXPECT_LT(fmsToneMisfit(audio.data(), audio.size(), start, bits.data(), 56, through), 0.1);
        for (const auto& wrong : wrongBits) {
            std::vector<std::uint8_t> other = bits;
            for (int at : wrong) other[static_cast<std::size_t>(at)] ^= 1u;
            EXPECT_GT(fmsToneMisfit(audio.data(), audio.size(), start, other.data(), 56, through), 0.17)
                << wrong.size() << " bits wrong from bit " << wrong.front();
        }
    }
}

// The telegrams at 15 dB through a GSM full-rate codec (sox): the codec mangles the tone
// changes so far that a rescue's tries pass their check bits by chance about as often as
// the telegram sent comes out.
TEST(FmsToneFit, ThroughAGsmTelephoneLineNothingWrong) {
    if (!test::toolAvailable("sox")) GTEST_SKIP() << "sox missing";
    test::TempFolder dir;
    for (const unsigned seed : {7u, 21u, 30u, 36u, 46u, 50u}) {
        siggen::RepeatableRandom rng(seed);
        const auto telegrams = siggen::randomFmsTelegrams(20, rng);
        auto tape = test::telegramTape(telegrams, 0.3);
        const double sigma = std::sqrt(tape.signalPower / std::pow(10.0, 1.5));
        for (float& v : tape.audio) v += static_cast<float>(rng.gaussian(sigma));
        const std::string raw = dir.path + "/in.raw", back = dir.path + "/back.raw";
        std::FILE* f = std::fopen(raw.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        for (float v : tape.audio) {
            const auto s = static_cast<std::int16_t>(test::toSampleValue(v));
            std::fwrite(&s, sizeof s, 1, f);
        }
        std::fclose(f);
        const std::string pcm = "-t raw -r 22050 -e signed -b 16 -c 1 ";
        std::string out;
        ASSERT_EQ(test::runCommand("sox -R " + pcm + raw + " -r 8000 -e gsm-full-rate " + dir.path + "/t.gsm && sox -R " +
                                       dir.path + "/t.gsm " + pcm + back,
                                   out),
                  0)
            << out;
        std::vector<float> coded;
        f = std::fopen(back.c_str(), "rb");
        ASSERT_NE(f, nullptr);
        for (std::int16_t s = 0; std::fread(&s, sizeof s, 1, f) == 1;) coded.push_back(static_cast<float>(s / 32767.0));
        std::fclose(f);

        test::FmsRig rig;
        rig.context.options = DecoderOptions::allOn();
        rig.feed(coded);
        std::vector<std::string> notSent;
        test::countSent(tape, rig.window.receptionLines, notSent);
        for (const auto& line : notSent) ADD_FAILURE() << "not sent: " << line << " (seed " << seed << ")";
    }
}

}  // namespace
}  // namespace kub
