// A monitor core with channels of its own beside the sound card's: each decodes its own
// signal at the same time, and every record carries the name of the channel it was heard on.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/clock.h"
#include "core/headless_window.h"
#include "core/monitor_channel.h"
#include "core/monitor_core.h"
#include "siggen/fms_signal.h"
#include "siggen/pocsag_signal.h"
#include "siggen/zvei_signal.h"

namespace kub {
namespace {

struct RecordingOutput : ReceptionOutput {
    std::vector<std::string> heard;  // "channel line"
    void deliver(const ReceptionRecord& r) override { heard.push_back(r.channel + " " + r.line); }
};

std::vector<std::int16_t> pcm(std::vector<float> signal) {
    signal.resize(signal.size() + 22050, 0.0f);  // a second of silence lets every decoder finish
    std::vector<std::int16_t> out(signal.size());
    std::transform(signal.begin(), signal.end(), out.begin(), [](float v) {
        return static_cast<std::int16_t>(std::clamp(std::nearbyint(v * 32767.0), -32768.0, 32767.0));
    });
    return out;
}

TEST(MonitorChannels, ThreeNamedChannelsDecodeTheirOwnSignalsAtOnce) {
    ManualClock clock(1.8e9);
    HeadlessWindow window;
    MonitorCore core(clock, window);
    RecordingOutput out;
    const OutputRegistration registered = core.context.addOutput(out);
    core.context.options = DecoderOptions::allOn();
    const std::vector<std::string> names = {"Nord 1", "Süd 2", "Relais 3"};
    std::vector<std::size_t> index;
    for (const auto& n : names) {
        index.push_back(core.addChannel(n));
        core.channel(index.back()).decoders().switchOn({true, true, true});
    }
    ASSERT_EQ(core.channelCount(), 5u);
    EXPECT_EQ(core.findChannel("Süd 2"), &core.channel(index[1]));

    const std::vector<std::vector<std::int16_t>> signals = {
        pcm(siggen::fmsTelegramSignal({"62341110", 3, 0, 1, 0}, 0.4)),
        pcm(siggen::zveiSequence("25431", 0.4)),
        pcm(siggen::pocsagSignal({{1234567, 3, siggen::PocsagContent::Alpha, "Brand Halle"}}, 1200, 0.4, false)),
    };
    // Interleaved in pieces that are no whole number of blocks, as a receiver delivers them.
    constexpr std::size_t kPiece = 1000;
    for (std::size_t at = 0; at < 3 * 22050; at += kPiece) {
        for (std::size_t c = 0; c < 3; ++c) {
            const auto& s = signals[c];
            if (at < s.size()) core.feedChannel(index[c], std::span(s).subspan(at, std::min(kPiece, s.size() - at)));
        }
    }
    std::sort(out.heard.begin(), out.heard.end());
    EXPECT_EQ(out.heard, (std::vector<std::string>{"Nord 1 ##FMS#62341110#3#10#+", "Relais 3 ##POC#1234567#3#Brand Halle#+",
                                                   "Süd 2 ##ZVEI#25431##+"}));
}

}  // namespace
}  // namespace kub
