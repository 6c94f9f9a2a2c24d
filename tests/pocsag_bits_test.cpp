// Run measurement and slicing on their own: transitions placed between samples, and a
// short glitch inside a long run.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "decoders/pocsag/pocsag_bits.h"
#include "siggen/pocsag_signal.h"

namespace kub {
namespace {

// Runs the bit recovery over mono samples (full scale ±1.0), block by block.
void recover(PocsagBitState& st, DitherSource& dither, const std::vector<float>& mono) {
    for (std::size_t at = 0; at < mono.size(); at += kBlockFrames) {
        SampleArray s{};
        for (std::size_t i = 0; i < s.size() && at + i < mono.size(); ++i) s[i] = std::nearbyint(mono[at + i] * 32767.0);
        ditherSamples(s, dither);
        measureRuns(st, s);
        trackBitLength(st);
        if (st.pocsagState > PocsagPhase::Hunting) sliceRuns(st);
    }
}

TEST(PocsagRuns, TransitionsArePlacedBetweenSamples) {
    // 1200 bit/s: 18.375 samples per bit. Whole-sample edges would make any four runs
    // last a whole number of samples; interpolated, they come out at 73.5. (The decaying
    // positive peak lengthens the high runs a little at the low runs' cost.)
    PocsagBitState st;
    DitherSource dither(3);
    std::vector<std::uint8_t> bits(400);
    for (std::size_t i = 0; i < bits.size(); ++i) bits[i] = static_cast<std::uint8_t>(i & 1);
    recover(st, dither, siggen::pocsagWaveform(bits, 1200, 0.5, false));
    int checked = 0;
    // From the second block on: in the first one, before any bit length is known, the
    // thresholds sit at the zero line. The last runs run into the silence after.
    for (int i = 120; i < 380; ++i) {
        const double run = std::fabs(st.runRing[static_cast<std::size_t>(i)]);
        EXPECT_NEAR(run, 18.375, 0.5) << i;
        double four = 0;
        for (int k = 0; k < 4; ++k) four += std::fabs(st.runRing[static_cast<std::size_t>(i - k)]);
        EXPECT_NEAR(four, 73.5, 0.3) << i;
        EXPECT_EQ(st.runRing[static_cast<std::size_t>(i)] > 0, st.runRing[static_cast<std::size_t>(i - 1)] < 0);
        ++checked;
    }
    EXPECT_EQ(checked, 260);
    EXPECT_EQ(st.pocsagState, PocsagPhase::Preamble);
    EXPECT_NEAR(st.samplesPerBit, 18.375, 0.1);
}

TEST(PocsagRuns, GlitchInALongRunGivesOneUncertainBit) {
    PocsagBitState st;
    DitherSource dither(5);
    std::vector<std::uint8_t> bits(300);
    for (std::size_t i = 0; i < bits.size(); ++i) bits[i] = static_cast<std::uint8_t>(i & 1);
    bits.insert(bits.end(), 8, 1);  // eight bits on one level
    bits.push_back(0);
    bits.push_back(1);
    auto signal = siggen::pocsagWaveform(bits, 1200, 0.5, true);
    // Three samples (less than a quarter bit) of the opposite level inside the long run.
    const auto mid = static_cast<std::size_t>((300 + 4) * 18.375);
    for (std::size_t i = mid; i < mid + 3; ++i) signal[i] = -signal[i];
    signal.resize(signal.size() + 200, signal.back());
    recover(st, dither, signal);
    ASSERT_EQ(st.pocsagState, PocsagPhase::Preamble);
    // The last bits written: the run before the glitch, the glitch as an uncertain bit,
    // the rest of the run, then the 0 and the 1.
    std::vector<double> tail;
    for (int n = 12, i = (st.bitWrite - 12 + kPocsagRingSize) % kPocsagRingSize; n > 0; --n, i = (i + 1) % kPocsagRingSize) {
        tail.push_back(st.bitRing[static_cast<std::size_t>(i)]);
    }
    int uncertain = 0, ones = 0;
    for (double b : tail) {
        if (std::fabs(b) == 0.25) ++uncertain;
        if (b == 1.0) ++ones;
    }
    EXPECT_EQ(uncertain, 1);
    EXPECT_GE(ones, 7);
}

}  // namespace
}  // namespace kub
