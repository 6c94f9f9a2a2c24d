// FMS near the noise floor: telegrams at 3 and 2 dB SNR (white noise over the whole band)
// through one channel's decoder with every option on. Most must come through and none
// may come out wrong: a reading that only guesses between several that pass the check
// bits is never shown.

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "common/decoder_options.h"
#include "siggen/dropouts.h"
#include "siggen/fms_signal.h"
#include "siggen/repeatable_random.h"
#include "support/fms_support.h"

namespace kub {
namespace {

TEST(FmsNoise, NearTheNoiseFloorMostTelegramsDecodeAndNoneWrong) {
    struct Case {
        double snrDb;
        int percent;  // at least this share read
    };
    for (const Case c : {Case{3.0, 95}, Case{2.0, 90}}) {
        SCOPED_TRACE(c.snrDb);
        int sent = 0, right = 0, wrong = 0;
        for (const unsigned seed : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u}) {
            siggen::RepeatableRandom rng(seed);
            const auto telegrams = siggen::randomFmsTelegrams(40, rng);
            auto tape = test::telegramTape(telegrams, 0.3);
            // The noise power over every sample, c.snrDb below the telegrams' mean power.
            const double sigma = std::sqrt(tape.signalPower / std::pow(10.0, c.snrDb / 10.0));
            for (float& v : tape.audio) v += static_cast<float>(rng.gaussian(sigma));

            test::FmsRig rig;
            rig.context.options = DecoderOptions::allOn();
            rig.feed(tape.audio);
            sent += static_cast<int>(telegrams.size());
            std::vector<std::string> notSent;
            right += test::countSent(tape, rig.window.receptionLines, notSent);
            for (const auto& line : notSent) ADD_FAILURE() << "not sent: " << line << " (seed " << seed << ")";
            wrong += static_cast<int>(notSent.size());
        }
        EXPECT_EQ(wrong, 0);
        EXPECT_GE(right * 100, sent * c.percent) << right << " of " << sent;
    }
}

// A squelch that closes for 12 ms every 0.35 s at 15 dB: the silence reads as a run of 0
// bits, and turning two weak bits of such a cut once made it pass the check bits as
// 49700000 status 0, which was never sent. A cut through a drop-out is not mended.
TEST(FmsNoise, SquelchFlutterMakesNoTelegramUp) {
    std::mt19937 rng(7022);
    std::vector<float> audio(3 * 22050, 0.0f);
    std::set<std::string> sent;
    double power = 0;
    std::size_t signalSamples = 0;
    for (const auto& t : siggen::randomFmsTelegrams(20, rng)) {
        const auto sig = siggen::fmsTelegramSignal(t, 0.3);
        for (const float v : sig) power += static_cast<double>(v) * v;
        signalSamples += sig.size();
        audio.insert(audio.end(), 8820, 0.0f);
        audio.insert(audio.end(), sig.begin(), sig.end());
        sent.insert("##FMS#" + t.kennung + "#" + std::to_string(t.status) + "#" + std::to_string(t.tki) +
                    std::to_string(t.direction) + "#+");
    }
    audio.insert(audio.end(), 11025, 0.0f);
    std::mt19937 noise(55455);
    std::normal_distribution<double> gauss(0.0, std::sqrt(power / static_cast<double>(signalSamples) / std::pow(10.0, 1.5)));
    for (float& v : audio) v = static_cast<float>(v + gauss(noise));
    siggen::addDropOuts(audio, 12, 0.35);

    test::FmsRig rig;
    rig.context.options = DecoderOptions::allOn();
    rig.feed(audio);
    int right = 0;
    for (const auto& line : rig.window.receptionLines) {
        EXPECT_TRUE(sent.count(line) == 1) << "not sent: " << line;
        right += static_cast<int>(sent.count(line));
    }
    EXPECT_GE(right, 15);
}

// Silence over a telegram's own bits, from a squelch that closed for a moment: the slicer
// reads the band-pass dying away and a run of dither there, and now and then such a cut
// passes its check bits by chance, or is mended into passing, as a telegram that was never
// sent (each row below once was). A silence short enough to leave at most three bits
// unheard, with all others read alike by the crossings and by correlation, is vouched for
// by the check bits. Silence in the preamble or behind the parity bit costs nothing.
TEST(FmsNoise, DropOutOverTheBitsShowsNothingAroundThemCostsNothing) {
    struct Case {
        const char* what;
        siggen::FmsTelegram telegram;
        int silenceFrom;    // samples after the start of the telegram's preamble
        int silenceLength;  // samples
        bool shown;         // the telegram is read; else nothing is
    };
    const Case cases[] = {
        {"13 samples, once read as 68120007 status 1", {"68124007", 3, 0, 0, 0}, 766, 13, false},
        {"50 samples, once read as E2767383", {"A2767503", 3, 1, 2, 0}, 935, 50, false},
        {"269 samples, once read as 21930000 status 0", {"21133461", 9, 1, 3, 0}, 643, 269, false},
        {"20 samples, every other bit read alike twice", {"22343078", 4, 1, 1, 0}, 496, 20, true},
        {"in the preamble", {"623B1234", 3, 0, 1, 0}, 20, 100, true},
        {"behind the parity bit", {"623B1234", 3, 0, 1, 0}, 1330, 270, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto sig = siggen::fmsTelegramSignal(c.telegram, 0.3);
        std::vector<float> audio(8820, 0.0f);
        audio.insert(audio.end(), sig.begin(), sig.end());
        std::fill_n(audio.begin() + 8820 + c.silenceFrom, c.silenceLength, 0.0f);
        audio.resize(audio.size() + 8820, 0.0f);

        test::FmsRig rig;
        rig.context.options = DecoderOptions::allOn();
        rig.feed(audio);
        const std::vector<std::string> wanted = {"##FMS#" + c.telegram.kennung + "#" +
                                                 std::to_string(c.telegram.status) + "#" +
                                                 std::to_string(c.telegram.tki) +
                                                 std::to_string(c.telegram.direction) + "#+"};
        EXPECT_EQ(rig.window.receptionLines, c.shown ? wanted : std::vector<std::string>{});
    }
}

}  // namespace
}  // namespace kub
