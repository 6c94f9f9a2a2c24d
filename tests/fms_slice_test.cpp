// The FMS slicer on live audio: whatever the block boundaries, a telegram is sliced only
// from audio that has arrived. A lead-in longer than the slicer's look-ahead (a long
// preamble, a five-tone call whose tones fall in the preamble band) must neither lose
// the telegram behind it nor make one up from the ring's older contents.

#include <gtest/gtest.h>

#include <vector>

#include "common/decoder_options.h"
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

// A short burst of 1200 Hz (a tone, a squelch tail) looks like a preamble, and what
// follows it is cut as a telegram. It fails; cut over the telegram's own preamble, it
// must not take that telegram with it.
TEST(FmsSlice, AFalseStartJustBeforeATelegramDoesNotSwallowIt) {
    const siggen::FmsTelegram t{"623B1234", 3, 0, 1, 0};
    for (int offset = 0; offset < kBlockFrames; offset += 97) {
        test::FmsRig rig;
        rig.context.options = DecoderOptions::allOn();
        std::vector<float> signal(static_cast<std::size_t>(2000 + offset), 0.0f);
        siggen::FmsModulator mod(0.5);
        for (int i = 0; i < 6; ++i) mod.bit(1, signal);
        for (int i = 0; i < 3; ++i) mod.bits({0, 1, 1, 0, 0, 1, 0, 1}, signal);
        const auto telegram = leadInThenTelegram(16, t);
        signal.insert(signal.end(), telegram.begin(), telegram.end());
        rig.feed(signal);
        EXPECT_EQ(rig.window.receptionLines, std::vector<std::string>{"##FMS#623B1234#3#10#+"}) << "offset " << offset;
    }
}

}  // namespace
}  // namespace kub
