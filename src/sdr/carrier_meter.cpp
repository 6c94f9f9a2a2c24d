#include "sdr/carrier_meter.h"

#include <algorithm>
#include <cmath>

namespace kub {

namespace {

constexpr double kWindowSeconds = 0.01;
// A carrier stands at least 10 dB above the floor.
constexpr double kCarrierRatio = 10.0;
// The floor follows a rising noise slowly (a few dB per second), a falling one at once.
constexpr double kFloorRise = 1.01;
// The mean follows the first windows quickly and then settles to a time constant of
// about a second of carrier, so that one unbalanced data burst barely moves it.
constexpr double kSettledWeight = 0.01;

}  // namespace

CarrierMeter::CarrierMeter(double rate)
    : windowLength_(std::max<std::size_t>(1, static_cast<std::size_t>(std::lround(rate * kWindowSeconds)))) {}

void CarrierMeter::take(float hz, float power) {
    sumHz_ += static_cast<double>(hz);
    sumPower_ += static_cast<double>(power);
    if (++count_ < windowLength_) return;
    const double mean = sumHz_ / static_cast<double>(count_);
    const double p = sumPower_ / static_cast<double>(count_);
    count_ = 0;
    sumHz_ = sumPower_ = 0;
    if (!(p > 0) || !std::isfinite(p)) {
        carrierNow_ = false;
        return;
    }
    floor_ = floor_ < 0 ? p : std::min(floor_ * kFloorRise, p);
    carrierNow_ = p > floor_ * kCarrierRatio;
    if (!carrierNow_) return;
    ++windows_;
    const double weight = std::max(kSettledWeight, 1.0 / static_cast<double>(windows_));
    offset_ += weight * (mean - offset_);
}

}  // namespace kub
