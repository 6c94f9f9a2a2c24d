// The block-wise filters and the FMS crossing measurement run their blocks in pieces and
// side by side for speed; what they give must be what one sample after the other gives,
// to the last bit, over many blocks in a row (the state carried from each block into the
// next), since the decoders' crossings and thresholds are measured on it.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "common/band_pass_filter.h"
#include "common/hum_canceller.h"
#include "decoders/fms/fms_decoder.h"
#include "decoders/fms/fms_demodulator.h"
#include "siggen/repeatable_random.h"

namespace kub {
namespace {

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::vector<double> noise(std::size_t n, unsigned seed) {
    siggen::RepeatableRandom rng(seed);
    std::vector<double> v(n);
    for (double& x : v) x = rng.gaussian(3000.0);
    return v;
}

TEST(BlockFilters, BandPassBlocksGiveWhatSingleStepsGive) {
    // The decoder's own block, the shortest block the paired path takes, and one too short
    // for it; filters of four sections (the FMS band-pass) and of other counts.
    struct Case {
        int highOrder, lowOrder;
        std::size_t block;
    };
    for (const Case c : {Case{4, 4, 1024}, Case{4, 4, 4}, Case{4, 4, 5}, Case{4, 4, 3}, Case{2, 6, 7}, Case{4, 2, 1024}}) {
        SCOPED_TRACE(testing::Message() << c.highOrder << "/" << c.lowOrder << " block " << c.block);
        BandPassFilter blockwise(1000.0, 2300.0, c.highOrder, c.lowOrder);
        BandPassFilter stepwise(1000.0, 2300.0, c.highOrder, c.lowOrder);
        const std::vector<double> input = noise(c.block * 40, 7);
        std::vector<double> handedOn;
        int mismatches = 0;
        for (std::size_t at = 0; at < input.size(); at += c.block) {
            std::vector<double> block(input.begin() + static_cast<std::ptrdiff_t>(at),
                                      input.begin() + static_cast<std::ptrdiff_t>(at + c.block));
            handedOn.clear();
            blockwise.process(block, [&handedOn](double y) { handedOn.push_back(y); });
            ASSERT_EQ(handedOn.size(), c.block);
            for (std::size_t i = 0; i < c.block; ++i) {
                const double want = stepwise.step(input[at + i]);
                if (!sameBits(block[i], want) || !sameBits(handedOn[i], want)) ++mismatches;
            }
        }
        EXPECT_EQ(mismatches, 0);
    }
    EXPECT_EQ(FmsDecoder::fmsBandPass().sections(), 4);
}

TEST(BlockFilters, HumCancellerBlocksGiveWhatSingleStepsGive) {
    // Blocks that straddle both rings' ends at changing places, learning switched on and off,
    // and samples skipped between blocks.
    HumCanceller blockwise;
    HumCanceller stepwise;
    const std::vector<double> input = noise(1024 * 60, 11);
    int mismatches = 0;
    std::size_t at = 0;
    for (int b = 0; at + 1024 <= input.size(); ++b) {
        const bool learn = b % 5 != 3;
        std::vector<double> block(input.begin() + static_cast<std::ptrdiff_t>(at),
                                  input.begin() + static_cast<std::ptrdiff_t>(at + 1024));
        blockwise.process(block, learn);
        for (std::size_t i = 0; i < block.size(); ++i)
            if (!sameBits(block[i], stepwise.step(input[at + i], learn))) ++mismatches;
        at += 1024;
        if (b % 7 == 6) {
            blockwise.skip(1024 * 3 + 17);
            stepwise.skip(1024 * 3 + 17);
        }
        if (b == 20) {
            blockwise.keep();
            stepwise.keep();
        }
        if (b == 30) {
            blockwise.goBack(1);
            stepwise.goBack(1);
        }
    }
    EXPECT_EQ(mismatches, 0);
}

// The crossing measurement as it reads: one sample after the other, a test per sample.
struct PlainCrossings {
    explicit PlainCrossings(std::uint32_t seed) : random(seed) {}
    DitherSource random;
    double prev = 0, rising = 0, falling = 0;
    std::vector<double> values;
    void add(double x) {
        const double s = x + random.next() - 0.5;
        if (prev < 0.0 && s >= 0.0) {
            double d = s - prev;
            if (d < 1.0) d = 1.0;
            const double t = -prev / d;
            values.push_back(22050.0 / (rising - 1.0 + t));
            rising = 1.0 - t;
        } else if (prev >= 0.0 && s < 0.0) {
            double d = prev - s;
            if (d < 1.0) d = 1.0;
            const double t = prev / d;
            values.push_back(-22050.0 / (falling - 1.0 + t));
            falling = 1.0 - t;
        }
        prev = s;
        rising += 1.0;
        falling += 1.0;
    }
};

TEST(BlockFilters, FmsCrossingsOfWholeBlocksAreThoseOfSingleSamples) {
    // Noise loud and faint (the dither then decides), a tone, and silence; with the
    // band-pass in front and without.
    for (const bool filtered : {true, false}) {
        SCOPED_TRACE(filtered);
        FmsDemodulator demodulator(0x1234567u);
        PlainCrossings plain(0x1234567u);
        BandPassFilter filter = FmsDecoder::fmsBandPass();
        BandPassFilter plainFilter = FmsDecoder::fmsBandPass();
        std::vector<double> got;
        std::uint64_t counted = 0;
        const std::vector<double> loud = noise(kBlockFrames * 12, 3);
        for (int b = 0; b < 48; ++b) {
            SampleArray block{};
            for (int i = 0; i < kBlockFrames; ++i) {
                const double n = loud[static_cast<std::size_t>((b % 12) * kBlockFrames + i)];
                const double tone = 2000.0 * std::sin(2.0 * 3.141592653589793 * 1800.0 * (b * kBlockFrames + i) / 22050.0);
                block[static_cast<std::size_t>(i)] = b < 12 ? n : b < 24 ? n / 5000.0 : b < 36 ? tone + n / 10.0 : 0.0;
            }
            for (const double x : block) plain.add(filtered ? plainFilter.step(x) : x);
            const int before = demodulator.ringWrite();
            if (filtered) {
                demodulator.filterAndMeasureCrossings(block, filter);
            } else {
                demodulator.measureCrossings(block);
            }
            for (int i = before; i != demodulator.ringWrite(); i = (i + 1) % FmsDemodulator::kRingSize)
                got.push_back(demodulator.crossing(i));
            counted = got.size();
        }
        ASSERT_EQ(counted, plain.values.size());
        // The block sums a crossing's period in another order than one sample after the
        // other: the same to the last few bits.
        int mismatches = 0;
        for (std::size_t i = 0; i < got.size(); ++i)
            mismatches += std::fabs(got[i] - plain.values[i]) <= 1e-9 * std::fabs(plain.values[i]) ? 0 : 1;
        EXPECT_EQ(mismatches, 0);
        EXPECT_GT(got.size(), 48u * 100u);
    }
}

}  // namespace
}  // namespace kub
