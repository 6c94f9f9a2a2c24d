// A bit's tone energies from running sums are those summed directly over the bit, with the
// phase counted from the bit's own first sample, wherever the bit starts in the stretch.

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <numbers>
#include <random>
#include <vector>

#include "decoders/fms/fms_tone_sums.h"
#include "siggen/fms_signal.h"

namespace kub {
namespace {

double directSoft(const std::vector<double>& x, std::size_t first, std::size_t count) {
    double oneRe = 0, oneIm = 0, zeroRe = 0, zeroIm = 0;
    for (std::size_t k = 0; k < count; ++k) {
        const double one = 2.0 * std::numbers::pi * 1200.0 * static_cast<double>(k) / 22050.0;
        const double zero = 2.0 * std::numbers::pi * 1800.0 * static_cast<double>(k) / 22050.0;
        oneRe += x[first + k] * std::cos(one);
        oneIm += x[first + k] * std::sin(one);
        zeroRe += x[first + k] * std::cos(zero);
        zeroIm += x[first + k] * std::sin(zero);
    }
    const double a = oneRe * oneRe + oneIm * oneIm, b = zeroRe * zeroRe + zeroIm * zeroIm;
    return a + b > 0 ? (a - b) / (a + b) : 0.0;
}

TEST(FmsToneSums, EqualTheDirectSumAtEveryStartAndBitLength) {
    // A telegram's bits at full 16-bit scale in noise, then silence.
    std::vector<float> tones;
    siggen::FmsModulator mod(0.9);
    mod.bits({1, 1, 1, 1, 0, 0, 0, 1, 1, 0, 1, 0, 0, 1, 1, 0, 1, 0, 1, 1, 1, 0, 0, 0, 1, 0}, tones);
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 3000.0);
    std::vector<double> x;
    for (const float v : tones) x.push_back(32767.0 * v + noise(random));
    const std::size_t loud = x.size();
    x.resize(loud + 200, 0.0);

    FmsToneSums sums;
    sums.fill(x.data(), x.size());
    for (std::size_t first = 0; first + 19 <= x.size(); ++first)
        for (const std::size_t count : {18u, 19u}) {
            const double direct = directSoft(x, first, count);
            EXPECT_NEAR(sums.soft(first, count), direct, 1e-9) << "start " << first << ", " << count << " samples";
            if (first >= loud) {
                EXPECT_EQ(sums.soft(first, count), 0.0) << "silence at " << first;
            }
        }
}

}  // namespace
}  // namespace kub
