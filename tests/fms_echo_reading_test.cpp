// A telegram heard together with its own echo, a few milliseconds late at half amplitude,
// is read through the echo removal with every bit as sent: the removal that fits is
// among those the echo search reads in full.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "decoders/fms/fms_bit_correlator.h"
#include "siggen/fms_signal.h"

namespace kub {
namespace {

TEST(FmsEchoReading, ReadsEveryBitThroughAnEchoAtEachDelay) {
    constexpr int kPreamble = 12;
    constexpr int kBits = 56;
    for (const int delay : {45, 66, 100}) {
        std::mt19937 random(static_cast<unsigned>(delay));
        std::vector<std::uint8_t> sent(FmsBitCorrelator::kSyncWord.begin(), FmsBitCorrelator::kSyncWord.end());
        while (sent.size() < kBits) sent.push_back(static_cast<std::uint8_t>(random() & 1u));
        std::vector<std::uint8_t> bits;
        for (int i = 0; i < kPreamble + kBits + 8; ++i)
            bits.push_back(i < kPreamble || i >= kPreamble + kBits ? 1 : sent[static_cast<std::size_t>(i - kPreamble)]);
        std::vector<float> tones;
        siggen::FmsModulator(0.5).bits(bits, tones);

        // Half a second of silence first, so that the search has its lead-in.
        const std::size_t lead = 11025;
        std::normal_distribution<double> noise(0.0, 300.0);
        std::vector<double> heard(lead + tones.size() + 2 * kBlockFrames, 0.0);
        for (std::size_t i = 0; i < tones.size(); ++i) heard[lead + i] += 32767.0 * tones[i];
        for (std::size_t i = heard.size(); i-- > static_cast<std::size_t>(delay);)
            heard[i] += 0.5 * heard[i - static_cast<std::size_t>(delay)];
        for (double& x : heard) x += noise(random);

        FmsBitCorrelator correlator;
        SampleArray block{};
        for (std::size_t at = 0; at + kBlockFrames <= heard.size(); at += kBlockFrames) {
            std::copy_n(heard.begin() + static_cast<std::ptrdiff_t>(at), kBlockFrames, block.begin());
            correlator.append(block);
        }
        const double near = static_cast<double>(lead) + kPreamble * FmsBitCorrelator::kSamplesPerBit;
        FmsBitCorrelator::Reading reading;
        ASSERT_TRUE(correlator.readThroughEcho(near, kBits, reading)) << "echo " << delay << " samples late";
        for (int i = 0; i < kBits; ++i)
            EXPECT_EQ(reading.bits[static_cast<std::size_t>(i)], sent[static_cast<std::size_t>(i)])
                << "bit " << i << ", echo " << delay << " samples late";
    }
}

}  // namespace
}  // namespace kub
