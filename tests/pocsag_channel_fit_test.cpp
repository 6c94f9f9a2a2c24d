// The learnt channel on its own: its shares found again from bits known to be right, and
// bits read back through tails larger than the bits themselves.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>

#include "decoders/pocsag/pocsag_channel_fit.h"
#include "decoders/pocsag/pocsag_sequence_reader.h"

namespace kub {
namespace {

constexpr int kRing = 256;

// A channel that rings for many bits, as behind a steep high-pass: the bit's own share,
// then tails of alternating sign that add up to more than it.
ChannelTaps ringing(double own, int taps) {
    ChannelTaps t{};
    t[0] = own;
    for (int k = 1; k <= taps; ++k) t[static_cast<std::size_t>(k)] = -0.45 * std::pow(0.9, k) * std::cos(0.7 * k);
    return t;
}

struct Signal {
    std::array<double, kRing> x{}, y1{}, y2{};
    std::array<bool, kRing> known{};
};

// Random bits through the two halves' channels, ring index = bit index.
Signal through(const ChannelTaps& first, const ChannelTaps& second, unsigned seed) {
    Signal s;
    std::mt19937 random(seed);
    for (double& b : s.x) b = (random() & 1u) != 0 ? 1.0 : -1.0;
    for (int n = kChannelTaps; n < kRing; ++n) {
        const auto u = static_cast<std::size_t>(n);
        for (std::size_t k = 0; k < first.size(); ++k) {
            s.y1[u] += first[k] * s.x[u - k];
            s.y2[u] += second[k] * s.x[u - k];
        }
    }
    s.known.fill(true);
    return s;
}

TEST(PocsagChannelFit, FindsTheSharesFromKnownBits) {
    // The equations in one run, and in two around bits not known (a codeword the check did
    // not vouch for).
    struct Case {
        int taps;
        long from, to;
        int unknownFrom, unknownTo;
    };
    for (const Case& c : {Case{24, 100, 172, 0, 0}, Case{48, 60, 252, 130, 162}}) {
        SCOPED_TRACE(c.taps);
        const ChannelTaps first = ringing(0.6, c.taps), second = ringing(0.4, c.taps);
        Signal s = through(first, second, 5);
        for (int n = c.unknownFrom; n < c.unknownTo; ++n) s.known[static_cast<std::size_t>(n)] = false;
        ChannelTaps f{}, h{};
        ASSERT_TRUE(fitChannel(s.y1.data(), s.y2.data(), s.x.data(), s.known.data(), kRing, c.from, c.to, c.taps, f, h));
        for (std::size_t k = 0; k < f.size(); ++k) {
            EXPECT_NEAR(f[k], first[k], 0.01) << k;
            EXPECT_NEAR(h[k], second[k], 0.01) << k;
        }
    }
}

TEST(PocsagChannelFit, ReaderGivesBackTheBitsThroughLongTails) {
    const ChannelTaps first = ringing(0.6, kChannelTaps), second = ringing(0.4, kChannelTaps);
    const Signal s = through(first, second, 9);
    PocsagSequenceReader reader;
    const long begin = 64;
    reader.start(s.x.data(), kRing, begin);
    long next = begin;
    int compared = 0;
    for (long n = begin; n < kRing; ++n) {
        double bit = 0, soft = 0;
        if (!reader.step(s.y1[static_cast<std::size_t>(n)], s.y2[static_cast<std::size_t>(n)], first, second, bit, soft))
            continue;
        EXPECT_EQ(bit, s.x[static_cast<std::size_t>(next)]) << next;
        // Heard without noise, every bit is clear (less than full only where the stretch
        // happens to be quiet).
        EXPECT_GT(soft * bit, 0.5) << next;
        ++next;
        ++compared;
    }
    EXPECT_EQ(compared, kRing - begin - PocsagSequenceReader::kDelay);
}

}  // namespace
}  // namespace kub
