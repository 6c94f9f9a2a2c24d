#include "decoders/pocsag/pocsag_baseline.h"

#include <cmath>
#include <numbers>

namespace kub {

namespace {

// The high-pass is followed finer than the sound card samples, so that a bit length that
// is no whole number of samples still ends where it should.
constexpr int kFine = 16;
constexpr double kFineRate = 22050.0 * kFine;

struct Section {
    double b0, b1, b2, a1, a2;
};

// The two sections of the high-pass, each with its state z1, z2 (state[2k], state[2k + 1]).
struct HighPass {
    std::array<Section, 2> s{};

    explicit HighPass(double hz) {
        const double w0 = 2.0 * std::numbers::pi * hz / kFineRate;
        const double c = std::cos(w0);
        for (int k = 0; k < 2; ++k) {
            const double q = 1.0 / (2.0 * std::cos(std::numbers::pi * (2 * k + 1) / 8.0));
            const double alpha = std::sin(w0) / (2.0 * q);
            const double a0 = 1.0 + alpha;
            s[static_cast<std::size_t>(k)] = {(1.0 + c) / 2.0 / a0, -(1.0 + c) / a0, (1.0 + c) / 2.0 / a0,
                                              -2.0 * c / a0, (1.0 - alpha) / a0};
        }
    }

    double step(std::array<double, 4>& z, double x) const {
        for (std::size_t k = 0; k < 2; ++k) {
            const Section& q = s[k];
            double& z1 = z[2 * k];
            double& z2 = z[2 * k + 1];
            const double y = q.b0 * x + z1;
            z1 = q.b1 * x - q.a1 * y + z2;
            z2 = q.b2 * x - q.a2 * y;
            x = y;
        }
        return x;
    }
};

}  // namespace

void PocsagBaseline::start(double highPassHz, double samplesPerBit) {
    const HighPass hp(highPassHz);
    const long bit = std::lround(samplesPerBit * kFine);
    // One bit from the state `z` with input `x`: the sums over its halves, and the state after it.
    const auto run = [&](std::array<double, kStates> z, double x, double& first, double& second) {
        first = second = 0;
        for (long i = 0; i < bit; ++i) (2 * i < bit ? first : second) += hp.step(z, x);
        first /= kFine;
        second /= kFine;
        return z;
    };
    for (int i = 0; i < kStates; ++i) {
        std::array<double, kStates> unit{};
        unit[static_cast<std::size_t>(i)] = 1.0;
        const auto after = run(unit, 0.0, first_[static_cast<std::size_t>(i)], second_[static_cast<std::size_t>(i)]);
        for (int j = 0; j < kStates; ++j) next_[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)] = after[static_cast<std::size_t>(j)];
    }
    bitInput_ = run({}, 1.0, ownFirst_, ownSecond_);
    state_ = {};
    active_ = true;
}

double PocsagBaseline::firstHalf() const {
    double s = 0;
    for (std::size_t i = 0; i < kStates; ++i) s += first_[i] * state_[i];
    return s;
}

double PocsagBaseline::secondHalf() const {
    double s = 0;
    for (std::size_t i = 0; i < kStates; ++i) s += second_[i] * state_[i];
    return s;
}

void PocsagBaseline::decided(double bit) {
    std::array<double, kStates> z{};
    for (std::size_t j = 0; j < kStates; ++j) {
        double v = bitInput_[j] * bit;
        for (std::size_t i = 0; i < kStates; ++i) v += next_[j][i] * state_[i];
        z[j] = v;
    }
    state_ = z;
}

}  // namespace kub
