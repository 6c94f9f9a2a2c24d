// FMS near the noise floor: telegrams at 3 and 2 dB SNR (white noise over the whole band)
// through one channel's decoder with every option on. Most must come through and none
// may come out wrong: a reading that only guesses between several that pass the check
// bits is never shown.

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "common/decoder_options.h"
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
    for (const Case c : {Case{3.0, 90}, Case{2.0, 85}}) {
        SCOPED_TRACE(c.snrDb);
        int sent = 0, right = 0, wrong = 0;
        for (const unsigned seed : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u}) {
            siggen::RepeatableRandom rng(seed);
            const auto telegrams = siggen::randomFmsTelegrams(40, rng);
            std::vector<float> audio(6615, 0.0f);
            double power = 0;
            std::size_t signalSamples = 0;
            std::map<std::string, int> wanted;
            for (const auto& t : telegrams) {
                const auto sig = siggen::fmsTelegramSignal(t, 0.3);
                for (const float v : sig) power += static_cast<double>(v) * v;
                signalSamples += sig.size();
                audio.insert(audio.end(), sig.begin(), sig.end());
                audio.resize(audio.size() + 6615, 0.0f);
                ++wanted["##FMS#" + t.kennung + "#" + std::to_string(t.status) + "#" + std::to_string(t.tki) +
                         std::to_string(t.direction) + "#+"];
            }
            // The noise power over every sample, c.snrDb below the telegrams' mean power.
            const double sigma = std::sqrt(power / static_cast<double>(signalSamples) / std::pow(10.0, c.snrDb / 10.0));
            for (float& v : audio) v += static_cast<float>(rng.gaussian(sigma));

            test::FmsRig rig;
            rig.context.options = DecoderOptions::allOn();
            rig.feed(audio);
            sent += static_cast<int>(telegrams.size());
            for (const auto& line : rig.window.receptionLines) {
                if (wanted[line] > 0) {
                    --wanted[line];
                    ++right;
                } else {
                    ++wrong;
                    ADD_FAILURE() << "not sent: " << line << " (seed " << seed << ")";
                }
            }
        }
        EXPECT_EQ(wrong, 0);
        EXPECT_GE(right * 100, sent * c.percent) << right << " of " << sent;
    }
}

}  // namespace
}  // namespace kub
