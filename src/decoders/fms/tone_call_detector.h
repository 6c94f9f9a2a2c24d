#pragma once
// Tone calls ("Tonruf I" at 1750 Hz, "Tonruf II" at 2135 Hz) from the FMS demodulator's
// zero-crossing frequencies. A tone call is keyed by hand and held for about half a
// second to a few seconds (a relay station wants that long to open), so only a tone that
// stays within 1.5 % of its nominal frequency for at least kMinSeconds counts. Nothing
// else on a BOS channel does that: a five-tone code changes tone every 50 to 100 ms (and
// its tones 6 and 7, 1670 and 1830 Hz, lie on either side of 1750 Hz), FMS and POCSAG
// change frequency with every bit, and speech seldom holds a pitch that closely.
//
// The crossing values are taken in windows of kWindow values (about 18 ms at 1750 Hz).
// A window holds the tone when most of its values lie near the nominal frequency and
// their mean (taken over the periods, so that noise spikes weigh little) lies within
// 1.5 %. A run of such windows is a tone; one odd window inside a run (a noise burst, a
// fade) does not break it. A call is reported once, as soon as its run is long enough,
// and not again before the tone has been gone for a quarter of a second.

#include <cmath>
#include <cstdint>

namespace kub {

class SteadyToneDetector {
public:
    static constexpr int kWindow = 64;
    static constexpr double kMinSeconds = 0.4;
    static constexpr double kTolerance = 0.015;
    // A value counts towards the window's mean when it lies this close to the tone; noise
    // at 15 dB scatters single crossing values by a few per cent.
    static constexpr double kNear = 0.06;

    explicit SteadyToneDetector(double nominalHz);

    // `count` crossing values in Hz (their signs are ignored) from position `at` of a ring
    // of `ringSize` values, a power of two, on. Without a branch on whether a value lies
    // near the tone: in noise that is a toss-up at every value, and a wrong guess cost more
    // than the division. A period is finite and positive: times zero it is zero, and adding
    // that leaves the sum as it is. The window in locals between its ends: in the members,
    // each sum would be stored and loaded again at every value.
    void add(const double* ring, int ringSize, int at, int count) {
        int values = values_;
        int near = near_;
        double periods = periods_;
        for (int n = 0; n < count; ++n, at = (at + 1) & (ringSize - 1)) {
            const double v = std::fabs(ring[at]);
            const bool isNear = std::fabs(v - nominal_) < kNear * nominal_;
            const double period = 1.0 / v;
            // Times one or zero, so that the compiler does not make a branch of it again.
            near += isNear ? 1 : 0;
            periods += period * static_cast<double>(isNear);
            if (++values == kWindow) {
                values_ = values;
                near_ = near;
                periods_ = periods;
                finishWindow();
                values = values_;
                near = near_;
                periods = periods_;
            }
        }
        values_ = values;
        near_ = near;
        periods_ = periods;
    }
    // Values were lost (the ring was overrun): a run cannot continue across them.
    void interrupt();
    // True once per tone call, when it has lasted long enough.
    bool takeEvent();

    double nominalHz() const { return nominal_; }

private:
    void finishWindow();

    double nominal_;
    int neededWindows_;
    // The window being filled.
    int values_ = 0;
    int near_ = 0;
    double periods_ = 0;  // sum of 1/f over the values near the tone
    // The run.
    int goodWindows_ = 0;
    int badStreak_ = 0;
    bool reported_ = false;
    bool event_ = false;
};

}  // namespace kub
