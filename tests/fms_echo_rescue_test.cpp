// FMS through an echo: a copy of the signal 3 ms late at half amplitude (multipath, a
// second loudspeaker), white noise 15 dB below. Through an echo, bits are heard wrong with
// confidence, so many first telegrams fail their check bits and are rescued, and each
// rescue tries many readings: one that passes the check bits by chance must never be
// shown. Each of these recordings once gave a telegram that was never sent (through a
// recut, a reading with bits turned behind a sync word heard wrong, or a reading through
// an echo removal; the last five through readings that no second reading spoke against,
// which the tones of the telegram fitted to the audio now refuse).

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "common/decoder_options.h"
#include "siggen/fms_signal.h"
#include "siggen/repeatable_random.h"
#include "support/fms_support.h"

namespace kub {
namespace {

TEST(FmsEchoRescue, ThroughAnEchoMostTelegramsDecodeAndNoneWrong) {
    int sent = 0, right = 0;
    for (const unsigned seed : {18u, 41u, 44u, 68u, 77u, 80u, 108u, 132u, 139u, 150u, 168u, 175u, 179u, 200u, 197u, 382u,
                                464u, 492u, 567u}) {
        siggen::RepeatableRandom rng(seed);
        const auto telegrams = siggen::randomFmsTelegrams(20, rng);
        auto tape = test::telegramTape(telegrams, 0.3);
        constexpr std::size_t kDelay = 66;  // 3 ms at 22050 Hz
        auto& audio = tape.audio;
        for (std::size_t i = audio.size(); i-- > kDelay;) audio[i] += 0.5f * audio[i - kDelay];
        const double sigma = std::sqrt(tape.signalPower / std::pow(10.0, 1.5));
        for (float& v : audio) v += static_cast<float>(rng.gaussian(sigma));

        test::FmsRig rig;
        rig.context.options = DecoderOptions::allOn();
        rig.feed(audio);
        sent += static_cast<int>(telegrams.size());
        std::vector<std::string> notSent;
        right += test::countSent(tape, rig.window.receptionLines, notSent);
        for (const auto& line : notSent) ADD_FAILURE() << "not sent: " << line << " (seed " << seed << ")";
    }
    EXPECT_GE(right * 100, sent * 75) << right << " of " << sent;
}

}  // namespace
}  // namespace kub
