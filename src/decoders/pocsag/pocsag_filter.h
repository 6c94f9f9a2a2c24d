#pragma once
// Low-pass in front of the POCSAG bit recovery. The bit recovery only looks at level
// runs, so everything far above the fastest data signal is noise that makes the Schmitt
// trigger chatter and lifts its peaks. The corner sits above the fundamental of 2400
// bit/s (1200 Hz), so that runs of every rate keep their length.

#include <cmath>
#include <numbers>

#include "capture/decoder_inputs.h"

namespace kub {

// A cascade of two second-order Butterworth sections (fourth order overall); the state
// lives with the channel, so blocks join without a seam.
class PocsagLowPass {
public:
    static constexpr double kCornerHz = 1800.0;

    PocsagLowPass() {
        // Bilinear transform with the corner prewarped; the two sections of a fourth-order
        // Butterworth have the quality factors 1/(2 cos(pi/8)) and 1/(2 cos(3 pi/8)).
        const double k = std::tan(std::numbers::pi * kCornerHz / 22050.0);
        const double qs[2] = {0.5 / std::cos(std::numbers::pi / 8), 0.5 / std::cos(3 * std::numbers::pi / 8)};
        for (int s = 0; s < 2; ++s) {
            const double norm = 1.0 / (1.0 + k / qs[s] + k * k);
            Section& c = sections_[s];
            c.b0 = k * k * norm;
            c.b1 = 2.0 * c.b0;
            c.b2 = c.b0;
            c.a1 = 2.0 * (k * k - 1.0) * norm;
            c.a2 = (1.0 - k / qs[s] + k * k) * norm;
        }
    }

    void process(SampleArray& samples) {
        for (double& x : samples) {
            double v = x;
            for (Section& c : sections_) {
                const double out = c.b0 * v + c.z1;
                c.z1 = c.b1 * v - c.a1 * out + c.z2;
                c.z2 = c.b2 * v - c.a2 * out;
                v = out;
            }
            x = v;
        }
    }

private:
    struct Section {
        double b0 = 0, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
        double z1 = 0, z2 = 0;
    };
    Section sections_[2];
};

}  // namespace kub
