// The FMS demodulator on hand-made crossing values and on synthetic tones: the preamble
// run, the bit windows of the slicer, the tone-call runs and the text-transmission mode.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "decoders/fms/fms_demodulator.h"

namespace kub {

// Hand-made crossing values into the ring, as the crossing measurement writes them; a
// preamble taken as found; everything in the ring taken as read.
class FmsDemodulatorTestSeam {
public:
    static void pushCrossing(FmsDemodulator& d, double hz) {
        d.crossingRing_[static_cast<std::size_t>(d.ringWrite_)] = hz;
        d.ringWrite_ = static_cast<std::int16_t>((d.ringWrite_ + 1) % FmsDemodulator::kRingSize);
        ++d.valuesWritten_;
    }
    static void startSlicing(FmsDemodulator& d) { d.syncState_ = FmsSync::Ready; }
    static void markAllRead(FmsDemodulator& d) { d.ringRead_ = d.ringWrite_; }
};

namespace {

using Seam = FmsDemodulatorTestSeam;

void push(FmsDemodulator& d, double hz, int count) {
    for (int i = 0; i < count; ++i) Seam::pushCrossing(d, i % 2 ? -hz : hz);
}

std::string sliced(const FmsDemodulator& d) { return std::string(d.bitString()); }

TEST(FmsDemodulator, PreambleNeedsElevenValuesStrictlyInsideTheBand) {
    {
        FmsDemodulator d;
        push(d, 2500, 30);
        push(d, 1200, 10);
        push(d, 2500, 30);
        d.search();
        EXPECT_EQ(d.syncState(), FmsSync::Searching) << "ten values are not a preamble";
    }
    {
        FmsDemodulator d;
        push(d, 2500, 30);
        push(d, 1200, 11);
        d.search();
        EXPECT_EQ(d.syncState(), FmsSync::PreambleFound);
        EXPECT_EQ(d.ringRead(), 41) << "read position just behind the run";
        push(d, 1800, 200);
        d.search();
        EXPECT_EQ(d.syncState(), FmsSync::PreambleFound) << "exactly 200 values behind the preamble are not enough";
        push(d, 1800, 1);
        d.search();
        EXPECT_EQ(d.syncState(), FmsSync::Ready);
    }
    for (double edge : {1300.0, 1100.0}) {
        FmsDemodulator d;
        push(d, 1200, 6);
        Seam::pushCrossing(d, edge);
        push(d, 1200, 6);
        d.search();
        EXPECT_EQ(d.syncState(), FmsSync::Searching) << edge << " Hz breaks the run";
    }
}

TEST(FmsDemodulator, PreambleAcrossTwoSearchesIsFound) {
    FmsDemodulator d;
    push(d, 2500, 100);
    push(d, 1200, 6);
    d.search();
    EXPECT_EQ(d.syncState(), FmsSync::Searching);
    push(d, 1200, 6);
    d.search();
    EXPECT_EQ(d.syncState(), FmsSync::PreambleFound) << "the last 20 values are searched again";
}

TEST(FmsDemodulator, BitWindows) {
    // Each case: ring values behind the start, expected first decision and the values it
    // consumed (seen through the decision of the following, unambiguous bits).
    struct Case {
        std::vector<double> values;
        char first;
        int consumed;
    };
    const std::vector<Case> cases = {
        {{1800, 1800, 1800}, '0', 3},
        {{1500, 1450, 1600}, '0', 3},  // above 1300 each, mean above 1500
        {{1800, 1200}, '2', 1},        // first value at or above 1700
        {{1600, 1400, 1200}, '2', 1},  // mean of the first two exactly 1500
    };
    for (const auto& c : cases) {
        FmsDemodulator d;
        for (double v : c.values) Seam::pushCrossing(d, v);
        // Pad so that after the consumed values every bit reads clean 1200 Hz pairs.
        const int left = static_cast<int>(c.values.size()) - c.consumed;
        for (int i = 0; i < left; ++i) Seam::pushCrossing(d, 1200);  // never read as a window start
        push(d, 1200, 200);
        Seam::startSlicing(d);
        d.sliceBits(false);
        const std::string s = sliced(d);
        ASSERT_EQ(s.size(), 56u);
        EXPECT_EQ(s[0], c.first) << c.values[0];
    }
    // 1200, 1200 decides 1 and consumes two: a 0 at the fifth value starts bit 2.
    FmsDemodulator d;
    Seam::pushCrossing(d, 1800);
    Seam::pushCrossing(d, 1800);
    Seam::pushCrossing(d, 1800);
    Seam::pushCrossing(d, 1200);
    Seam::pushCrossing(d, 1200);
    Seam::pushCrossing(d, 1800);
    Seam::pushCrossing(d, 1800);
    Seam::pushCrossing(d, 1800);
    push(d, 1200, 150);
    Seam::startSlicing(d);
    d.sliceBits(false);
    EXPECT_EQ(sliced(d).substr(0, 4), "0101");
    EXPECT_EQ(d.syncState(), FmsSync::Searching);
}

TEST(FmsDemodulator, SlicingSkipsThePreambleAndStartsAtTheFirstZero) {
    FmsDemodulator d;
    push(d, 1200, 30);
    const std::string bits = "00011010" "10101100" "11110000" "01010101" "00110011" "11001100" "10011001";
    for (char b : bits) push(d, b == '0' ? 1800 : 1200, b == '0' ? 3 : 2);
    push(d, 1200, 80);
    d.search();
    ASSERT_EQ(d.syncState(), FmsSync::Ready);
    d.sliceBits(false);
    EXPECT_EQ(sliced(d), bits);
}

TEST(FmsDemodulator, SteadyToneRunsCarryOverSearchesAndAreReportedOnce) {
    struct Case {
        double hz;
        int values;   // crossing values of the tone, searched in pieces of 100
        int eventsI;
        int eventsII;
    };
    // Two values per cycle: 0.4 s of 1750 Hz are 1400 values, of 2135 Hz 1708.
    for (const Case& c : {Case{1750, 1500, 1, 0}, Case{1750, 7000, 1, 0}, Case{1770, 1500, 1, 0},
                          Case{1750, 1200, 0, 0}, Case{1700, 7000, 0, 0}, Case{1800, 7000, 0, 0},
                          Case{2135, 1800, 0, 1}, Case{2165, 1800, 0, 1}, Case{2135, 1500, 0, 0},
                          Case{2180, 7000, 0, 0}}) {
        FmsDemodulator d;
        int eventsI = 0, eventsII = 0;
        for (int done = 0; done < c.values + 400; done += 100) {
            push(d, done < c.values ? c.hz : 900, 100);
            d.search();
            eventsI += d.takeToneEventI();
            eventsII += d.takeToneEventII();
        }
        EXPECT_EQ(eventsI, c.eventsI) << c.hz << " Hz, " << c.values;
        EXPECT_EQ(eventsII, c.eventsII) << c.hz << " Hz, " << c.values;
    }
    // Tones 6 and 7 of a five-tone code alternating: a long run inside 1650..1850 Hz, but
    // never a steady 1750 Hz.
    FmsDemodulator z;
    for (int k = 0; k < 40; ++k) {
        push(z, k % 2 ? 1830 : 1670, 240);
        z.search();
        EXPECT_FALSE(z.takeToneEventI());
    }
}

TEST(FmsDemodulator, PureToneGivesAlternatingValuesOfItsFrequency) {
    FmsDemodulator d;
    SampleArray block;
    int n = 0;
    for (int b = 0; b < 4; ++b) {
        for (double& s : block) s = 8000.0 * std::sin(2.0 * std::numbers::pi * 1200.0 * n++ / 22050.0);
        d.removeDc(block);
        d.measureCrossings(block);
    }
    // Look at the last 100 values.
    int positive = 0;
    for (int i = 1; i <= 100; ++i) {
        const double v = d.crossing(d.ringWrite() - i + 1024);
        EXPECT_NEAR(std::fabs(v), 1200.0, 5.0);
        if (v > 0) ++positive;
    }
    EXPECT_EQ(positive, 50);
}

TEST(FmsDemodulator, BusyModeSlicesFortyEightBitsEvenOnSilence) {
    FmsDemodulator d;
    SampleArray block{};
    for (int b = 0; b < 5; ++b) {
        block.fill(0.0);
        d.removeDc(block);
        d.measureCrossings(block);
        EXPECT_EQ(d.sliceBits(true), 48);
        EXPECT_EQ(sliced(d).size(), 48u);
        EXPECT_GE(d.ringRead(), 0);
        EXPECT_LT(d.ringRead(), 1024);
    }
}

TEST(FmsDemodulator, AnOverrunSliceDoesNotSendTheSearchIntoOldValues) {
    FmsDemodulator d;
    // A whole telegram from one pass ago lies in the ring ...
    push(d, 1200, 30);
    push(d, 1800, 168);
    push(d, 1200, 826);
    ASSERT_EQ(d.ringWrite(), 0);
    // ... then only five new values arrive before a text-mode slice.
    Seam::markAllRead(d);
    push(d, 2500, 5);
    d.sliceBits(true);  // wants about a hundred values, has five
    EXPECT_EQ(d.ringRead(), d.ringWrite());
    d.search();
    EXPECT_EQ(d.syncState(), FmsSync::Searching) << "the old preamble is not searched again";
}

}  // namespace
}  // namespace kub
