#pragma once
// Random numbers that are the same on every machine and library. The standard library's
// engines are exactly specified, but its distributions are not: libstdc++ and libc++ (and
// two versions of either) turn the same seed into other Gaussian noise, so a test that
// counts decodes in noise against a threshold would pass on one and fail on another.
// splitmix64 with Box-Muller and plain scaling is a few lines we own.

#include <cmath>
#include <cstdint>
#include <numbers>

namespace siggen {

class RepeatableRandom {
public:
    explicit RepeatableRandom(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // In [0, 1), from the top 53 bits.
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    double uniform(double low, double high) { return low + (high - low) * uniform(); }

    // A whole number in [low, high]; the bias of the modulo is far below anything a test sees.
    int between(int low, int high) {
        return low + static_cast<int>(next() % static_cast<std::uint64_t>(high - low + 1));
    }

    bool coin() { return (next() >> 63) != 0; }

    // Gaussian with mean 0 and the given standard deviation (Box-Muller, both values used).
    double gaussian(double sigma = 1.0) {
        if (haveSpare_) {
            haveSpare_ = false;
            return spare_ * sigma;
        }
        const double u1 = 1.0 - uniform();  // (0, 1]: the logarithm stays finite
        const double u2 = uniform();
        const double r = std::sqrt(-2.0 * std::log(u1));
        spare_ = r * std::sin(2.0 * std::numbers::pi * u2);
        haveSpare_ = true;
        return r * std::cos(2.0 * std::numbers::pi * u2) * sigma;
    }

private:
    std::uint64_t state_;
    double spare_ = 0.0;
    bool haveSpare_ = false;
};

}  // namespace siggen
