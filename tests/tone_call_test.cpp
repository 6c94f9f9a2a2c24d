// Tone calls through the whole monitor, in both modes: a steady 1750 or 2135 Hz tone of
// a second is one call; five-tone codes whose tones 6 and 7 lie either side of 1750 Hz,
// FMS telegrams, POCSAG transmissions and noise are none.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "siggen/fms_signal.h"
#include "siggen/pocsag_signal.h"
#include "siggen/repeatable_random.h"
#include "siggen/zvei_signal.h"
#include "support/monitor_feed.h"

namespace {

using kub::DecoderOptions;

void append(std::vector<float>& to, const std::vector<float>& what, std::size_t gapAfter = 11025) {
    to.insert(to.end(), what.begin(), what.end());
    to.resize(to.size() + gapAfter, 0.0f);
}

TEST(ToneCalls, OnlyASteadyToneCallIsOne) {
    struct Case {
        const char* name;
        std::vector<float> signal;
        int toneI;
        int toneII;
    };
    std::vector<Case> cases;
    {
        std::vector<float> s(4410, 0.0f);
        for (const char* code : {"12367", "25476", "67676", "76767", "16767"}) {
            append(s, siggen::zveiSequence(code, 0.4), 4410);
            append(s, siggen::zveiSequence(code, 0.4));
        }
        cases.push_back({"ZVEI 12367, 25476, 67…", s, 0, 0});
    }
    {
        siggen::RepeatableRandom rng(5);
        std::vector<float> s(4410, 0.0f);
        for (const auto& t : siggen::randomFmsTelegrams(6, rng)) append(s, siggen::fmsTelegramSignal(t, 0.4), 6615);
        cases.push_back({"FMS", s, 0, 0});
    }
    {
        std::vector<float> s(4410, 0.0f);
        for (double rate : {512.0, 1200.0, 2400.0}) {
            append(s, siggen::pocsagSignal({{1234567, 3, siggen::PocsagContent::Alpha, "Brand 3, Hauptstrasse 17"}},
                                           rate, 0.4, false));
        }
        cases.push_back({"POCSAG", s, 0, 0});
    }
    {
        siggen::RepeatableRandom rng(9);
        std::vector<float> s(22050 * 20);
        for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<float>(rng.gaussian(i / 44100 % 2 ? 0.3 : 0.02));
        cases.push_back({"noise", s, 0, 0});
    }
    {
        std::vector<float> s(4410, 0.0f);
        append(s, siggen::toneSignal(1750, 1000, 0.4));
        append(s, siggen::toneSignal(2135, 1000, 0.4));
        append(s, siggen::toneSignal(1750, 6000, 0.4));
        cases.push_back({"tone calls", s, 2, 1});
    }
    for (const auto& c : cases) {
        for (bool improved : {true, false}) {
            for (bool noisy : {false, true}) {
                SCOPED_TRACE(std::string(c.name) + (improved ? ", improved" : ", classic") + (noisy ? ", 15 dB" : ""));
                std::vector<float> signal = c.signal;
                if (noisy) {
                    // 15 dB below a sine of amplitude 0.4.
                    siggen::RepeatableRandom rng(3);
                    for (float& x : signal) x += static_cast<float>(rng.gaussian(0.0503));
                }
                kub::test::MonitorFeed monitor(improved ? DecoderOptions::allOn() : DecoderOptions::classic());
                monitor.feed(signal);
                EXPECT_EQ(monitor.toneCalls("Tonruf I"), c.toneI);
                EXPECT_EQ(monitor.toneCalls("Tonruf II"), c.toneII);
            }
        }
    }
}

// After its five-tone code a fire brigade's alarm often carries a pair of tones for seconds
// (675 Hz with 1240 Hz for a fire alarm). Read by the tone bank, the pair's wavering
// 1240 Hz once made "33333", a fifth tone running into 1860 Hz became "L", and the POCSAG
// path that learns a steep channel took the pair for a preamble and opened pages for
// addresses never sent.
TEST(ToneCalls, FiveToneCodesFollowedByAlarmTonePairsGiveTheCodesAndNothingElse) {
    struct Case {
        double low, high;
        unsigned seed;
        int codes;
        char lastDigit;  // 0: any
    };
    const Case cases[] = {{675, 1240, 1, 8, 0}, {675, 1860, 2, 8, '7'}, {1240, 1860, 2, 40, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.low) + " Hz + " + std::to_string(c.high) + " Hz");
        std::mt19937 rng(c.seed);
        std::vector<float> s(4410, 0.0f);
        std::vector<std::string> want;
        for (int n = 0; n < c.codes; ++n) {
            std::string code;
            for (int i = 0; i < 5; ++i) code.push_back(static_cast<char>('0' + rng() % 10));
            if (c.lastDigit) code.back() = c.lastDigit;
            want.push_back("##ZVEI#" + code + "##+");
            append(s, siggen::zveiSequence(code, 0.5), 0);
            auto pair = siggen::toneSignal(c.low, 1000 + static_cast<int>(rng() % 2000), 0.25);
            const auto high = siggen::toneSignal(c.high, static_cast<int>(pair.size() * 1000 / 22050), 0.25);
            for (std::size_t i = 0; i < pair.size() && i < high.size(); ++i) pair[i] += high[i];
            append(s, pair, 22050);
        }
        siggen::RepeatableRandom noise(4);
        for (float& x : s) x += static_cast<float>(noise.gaussian(0.035));
        kub::test::MonitorFeed monitor(DecoderOptions::allOn());
        monitor.feed(s);
        EXPECT_EQ(monitor.lines(), want);
    }
}

}  // namespace
