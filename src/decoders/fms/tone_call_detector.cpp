#include "decoders/fms/tone_call_detector.h"

#include <cmath>

namespace kub {

namespace {
// Share of a window's values that must lie near the tone.
constexpr int kNearValues = SteadyToneDetector::kWindow * 3 / 4;
// Consecutive odd windows that end a run (one is forgiven).
constexpr int kBreakWindows = 2;
// Windows without the tone (about a quarter of a second) before a new call can be reported.
constexpr double kQuietSeconds = 0.25;
}  // namespace

SteadyToneDetector::SteadyToneDetector(double nominalHz)
    : nominal_(nominalHz),
      // Two crossing values per cycle.
      neededWindows_(static_cast<int>(std::ceil(kMinSeconds * 2.0 * nominalHz / kWindow))) {}

void SteadyToneDetector::finishWindow() {
    const bool steady = near_ >= kNearValues && std::fabs(near_ / (periods_ * nominal_) - 1.0) <= kTolerance;
    values_ = near_ = 0;
    periods_ = 0;
    if (steady) {
        badStreak_ = 0;
        if (++goodWindows_ >= neededWindows_ && !reported_) {
            reported_ = true;
            event_ = true;
        }
        return;
    }
    ++badStreak_;
    if (badStreak_ >= kBreakWindows) goodWindows_ = 0;
    // Counted in windows at the tone's own rate: noise crosses zero more often, so its
    // windows pass faster and the quiet time it needs is then a little shorter.
    if (badStreak_ >= kQuietSeconds * 2.0 * nominal_ / kWindow) reported_ = false;
}

void SteadyToneDetector::interrupt() {
    values_ = near_ = 0;
    periods_ = 0;
    goodWindows_ = 0;
    badStreak_ = kBreakWindows;
}

bool SteadyToneDetector::takeEvent() {
    const bool e = event_;
    event_ = false;
    return e;
}

}  // namespace kub
