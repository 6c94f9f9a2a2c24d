// The hum canceller tells hum from what else it learnt: mains lines standing out of the
// estimate's spectrum are hum; noise, and a pager preamble that fits its rings, are not.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "common/hum_canceller.h"
#include "siggen/repeatable_random.h"

namespace kub {
namespace {

constexpr double kRate = 22050;

TEST(HumCanceller, HoldsHumOnlyWhereMainsLinesStandOut) {
    struct Case {
        const char* what;
        double humHz;       // 0: none
        double humLevel;    // of the fundamental, against noise of 1
        double squareHz;    // a preamble's alternation, 0: none
        bool hum;
    };
    const Case cases[] = {
        {"noise only", 0, 0, 0, false},
        {"50 Hz hum 10 dB under the noise", 50, 0.45, 0, true},
        {"60 Hz hum 10 dB under the noise", 60, 0.45, 0, true},
        {"2400 bit/s preamble", 0, 0, 1200, false},
        {"1200 bit/s preamble", 0, 0, 600, false},
        {"50 Hz hum under a 1200 bit/s preamble", 50, 0.45, 600, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HumCanceller canceller;
        siggen::RepeatableRandom rng(5);
        std::vector<double> block(1024);
        // Four seconds learnt, as between transmissions.
        for (int b = 0, n = 0; b < 86; ++b) {
            for (double& x : block) {
                const double t = n++ / kRate;
                x = rng.gaussian(1.0);
                if (c.humHz > 0)
                    x += c.humLevel * (std::sin(2 * std::numbers::pi * c.humHz * t) +
                                       0.5 * std::sin(2 * std::numbers::pi * 3 * c.humHz * t + 1));
                // A transmitter's alternation is rounded: its odd harmonics up to 4 kHz.
                for (double h = 1; c.squareHz > 0 && h * c.squareHz < 4000; h += 2)
                    x += 4 / (std::numbers::pi * h) * std::sin(2 * std::numbers::pi * h * c.squareHz * t);
            }
            canceller.process(block, true);
        }
        EXPECT_EQ(canceller.holdsHum(false), c.hum);
    }
}

}  // namespace
}  // namespace kub
