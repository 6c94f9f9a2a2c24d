#pragma once
// Low-pass in front of the POCSAG bit recovery. The bit recovery only looks at level
// runs, so everything far above the fastest data signal is noise that makes the Schmitt
// trigger chatter and lifts its peaks. The corner always stays above the fundamental of
// the data (half the bit rate), so that runs of every rate keep their length.

#include <cmath>
#include <numbers>

#include "common/sample_block.h"

namespace kub {

// A cascade of two second-order Butterworth sections (fourth order overall); the state
// lives with the channel, so blocks join without a seam. The corner can follow the data
// rate once a preamble has told it.
class PocsagLowPass {
public:
    PocsagLowPass() { setCorner(kHuntingHz); }

    // While hunting: the corner that suits the fastest rate.
    static constexpr double kHuntingHz = 4000.0;
    // Once the rate is known: near the bit rate for the slower rates, where the noise
    // bandwidth matters most; at 2400 bit/s the hunting corner, well above the rate, since
    // a lower one keeps single bits from reaching the far threshold of the Schmitt trigger.
    static constexpr double kSlowRatesHz = 1200.0;
    // Bits at least this long (in samples at 22050 Hz) are of a slow rate: 1200 bit/s has
    // about 18, 2400 bit/s about 9.
    static constexpr double kSlowRateSamplesPerBit = 14.0;

    // The corner for a measured bit length.
    static double cornerFor(double samplesPerBit) {
        return samplesPerBit >= kSlowRateSamplesPerBit ? kSlowRatesHz : kHuntingHz;
    }

    void setCorner(double hz) {
        if (hz == corner_) return;
        corner_ = hz;
        // Bilinear transform with the corner prewarped; the two sections of a fourth-order
        // Butterworth have the quality factors 1/(2 cos(pi/8)) and 1/(2 cos(3 pi/8)).
        const double k = std::tan(std::numbers::pi * hz / kSampleRate);
        const double qs[2] = {0.5 / std::cos(std::numbers::pi / 8), 0.5 / std::cos(3 * std::numbers::pi / 8)};
        for (int s = 0; s < 2; ++s) {
            const double norm = 1.0 / (1.0 + k / qs[s] + k * k);
            Section& c = sections_[s];
            c.b0 = k * k * norm;
            c.b1 = 2.0 * c.b0;
            c.b2 = c.b0;
            c.a1 = 2.0 * (k * k - 1.0) * norm;
            c.a2 = (1.0 - k / qs[s] + k * k) * norm;
            // The old state does not fit the new coefficients and would ring out as a spike
            // that lifts the peaks; start from rest at the section's last input instead.
            c.z2 = (c.b2 - c.a2) * c.in;
            c.z1 = (c.b1 - c.a1) * c.in + c.z2;
        }
    }

    void process(SampleArray& samples) {
        run(samples, [](double&) {}, [](double) {});
    }

    // The same with dither from `random` added in front (as ditherSamples does) and every
    // filtered sample handed to `each`, all in one loop (see ditherAndMeasureRuns).
    template <typename Random, typename Each>
    void process(SampleArray& samples, Random& random, const Each& each) {
        run(samples, [&random](double& x) { x += random.next() - 0.5; }, each);
    }

private:
    template <typename Before, typename Each>
    void run(SampleArray& samples, const Before& before, const Each& each) {
        // The state in locals, so that it stays in registers over the block.
        Section a = sections_[0];
        Section b = sections_[1];
        double inA = a.in;
        double inB = b.in;
        for (double& x : samples) {
            before(x);
            inA = x;
            // b1 is twice b0 and b2 is b0 (a low-pass): b1 x and b2 x are b0 x doubled and
            // b0 x itself, to the last bit, with one product instead of three.
            const double px = a.b0 * x;
            const double u = px + a.z1;
            a.z1 = (px + px) - a.a1 * u + a.z2;
            a.z2 = px - a.a2 * u;
            inB = u;
            const double pu = b.b0 * u;
            const double v = pu + b.z1;
            b.z1 = (pu + pu) - b.a1 * v + b.z2;
            b.z2 = pu - b.a2 * v;
            x = v;
            each(v);
        }
        a.in = inA;
        b.in = inB;
        sections_[0] = a;
        sections_[1] = b;
    }

    static constexpr double kSampleRate = 22050.0;

    struct Section {
        double b0 = 0, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
        double z1 = 0, z2 = 0;
        double in = 0;  // last input
    };
    Section sections_[2];
    double corner_ = 0;
};

}  // namespace kub
