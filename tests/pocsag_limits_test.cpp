// Fault fixes of the POCSAG decoder that hold with every decoding switch off: the runs
// after a transmission's end stay out of the bit ring, one run never yields more bits
// than the ring holds, the preamble bit count stops at its cap, and a clock set back
// makes no repeat.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/headless_window.h"
#include "core/reception_context.h"
#include "decoders/pocsag/pocsag_bits.h"
#include "core/handling/pocsag_handling.h"
#include "decoders/pocsag/pocsag_decoder.h"
#include "siggen/pocsag_signal.h"

namespace kub {
namespace {

constexpr double kSamplesPerBit = 22050.0 / 1200.0;

PocsagBitState sliceableState() {
    PocsagBitState st;
    st.pocsagState = PocsagPhase::InBatch;
    st.samplesPerBit = kSamplesPerBit;
    st.bitPeriod = kSamplesPerBit;
    return st;
}

TEST(PocsagLimits, RunsAfterTheEndOfATransmissionAreNotSliced) {
    PocsagBitState st = sliceableState();
    // Ten runs of two bits each; the transmission ended with the fifth.
    for (int i = 0; i < 10; ++i) st.runRing[static_cast<std::size_t>(i)] = (i % 2 ? -2 : 2) * kSamplesPerBit;
    st.runWrite = 10;
    st.transmissionEnded = true;
    st.endRun = 5;
    sliceRuns(st);
    EXPECT_EQ(st.bitWrite, 10);  // five runs, two bits each
    EXPECT_EQ(st.sliceRead, 5);
}

TEST(PocsagLimits, ADeadCarrierRunGivesNoMoreBitsThanTheRingHolds) {
    PocsagBitState st = sliceableState();
    st.bitWrite = 7;
    // Hours of one level: sliced bit by bit it would take minutes and lap the ring
    // millions of times.
    st.runRing[0] = 1e9 * kSamplesPerBit;
    st.runWrite = 1;
    sliceRuns(st);
    EXPECT_EQ(st.bitWrite, 7);  // exactly one lap
    EXPECT_EQ(std::count(st.bitRing.begin(), st.bitRing.end(), 1.0), kPocsagRingSize);
}

TEST(PocsagLimits, ThePreambleBitCountStopsAtItsCap) {
    PocsagBitState st = sliceableState();
    // 40000 steady one-bit runs inside a transmission, in ring-sized portions.
    for (int portion = 0; portion < 40; ++portion) {
        for (int i = 0; i < 1000; ++i) {
            st.runRing[static_cast<std::size_t>(st.runWrite)] = (i % 2 ? -1 : 1) * kSamplesPerBit;
            st.runWrite = (st.runWrite + 1) % kPocsagRingSize;
        }
        trackBitLength(st);
    }
    EXPECT_GE(st.preambleBits, 30000 - 9);
    EXPECT_LT(st.preambleBits, 30000 + 9);
}

TEST(PocsagLimits, AClockSetBackMakesNoRepeat) {
    HeadlessWindow window;
    ManualClock clock(1796630400.0);
    ReceptionContext context{clock, window};
    BusyFlags flags;
    PocsagDecoder decoder{context.options, flags};
    PocsagRepeatMemory memory;
    auto page = [&](const std::string& text) {
        std::vector<float> mono =
            siggen::pocsagSignal({{1234567, 1, siggen::PocsagContent::Alpha, text}}, 1200, 0.5, false);
        mono.resize(mono.size() + 22050, 0.0f);
        for (std::size_t at = 0; at < mono.size(); at += kBlockFrames) {
            SampleArray samples;
            for (std::size_t i = 0; i < static_cast<std::size_t>(kBlockFrames); ++i)
                samples[i] = at + i < mono.size() ? std::nearbyint(mono[at + i] * 32767.0) : 0.0;
            decoder.process(samples);
            for (const PocsagPageEvent& p : decoder.takeEvents()) handlePocsagPage(context, memory, p, "left");
        }
    };
    page("Vorher");
    clock.set(1796630400.0 - 3600);  // the clock put back an hour (summer time ends, a wrong clock mended)
    page("Nachher");
    clock.advance(5);  // five seconds on from there: the same RIC is a repeat again
    page("Wiederholung");
    EXPECT_EQ(window.receptionLines,
              (std::vector<std::string>{"##POC#1234567#1#Vorher#+", "##POC#1234567#1#Nachher#+"}));
}

}  // namespace
}  // namespace kub
