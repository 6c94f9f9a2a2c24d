// The FMS slicer on live audio: whatever the block boundaries, a telegram is sliced only
// from audio that has arrived. A lead-in longer than the slicer's look-ahead (a long
// preamble, a five-tone call whose tones fall in the preamble band) must neither lose
// the telegram behind it nor make one up from the ring's older contents.

#include <gtest/gtest.h>

#include <vector>

#include "siggen/fms_signal.h"
#include "support/fms_support.h"

namespace kub {
namespace {

std::vector<float> leadInThenTelegram(int leadInBits, const siggen::FmsTelegram& t) {
    std::vector<float> out;
    siggen::FmsModulator mod(0.5);
    for (int i = 0; i < leadInBits; ++i) mod.bit(1, out);
    mod.bits({0, 0, 0, 1, 1, 0, 1, 0}, out);
    mod.bits(siggen::fmsTelegramBits(t), out);
    for (int i = 0; i < 4; ++i) mod.bit(1, out);
    return out;
}

TEST(FmsSlice, ALongLeadInKeepsTheTelegramAndAddsNoneAtEveryBlockOffset) {
    const siggen::FmsTelegram t{"623B1234", 3, 0, 1, 0};
    for (const bool checkBits : {false, true}) {
        for (const int leadIn : {16, 150, 400}) {
            for (int offset = 0; offset < kBlockFrames; offset += 61) {
                test::FmsRig rig;
                rig.context.options.fmsCheckBits = checkBits;
                std::vector<float> signal(static_cast<std::size_t>(2000 + offset), 0.0f);
                const auto telegram = leadInThenTelegram(leadIn, t);
                signal.insert(signal.end(), telegram.begin(), telegram.end());
                rig.feed(signal);
                EXPECT_EQ(rig.window.receptionLines, std::vector<std::string>{"##FMS#623B1234#3#10#+"})
                    << "check bits " << checkBits << ", lead-in " << leadIn << " bits, offset " << offset;
            }
        }
    }
}

}  // namespace
}  // namespace kub
