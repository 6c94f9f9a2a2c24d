#pragma once
// A fast, seeded uniform random source for the dither that all three decoders add before
// they look at zero crossings or levels, so that silence does not sit on exact zeros: a
// few shifts and one multiply per value (xorshift64*), so a decoder can afford one per
// sample. Seeded, so that every run of the same audio decodes alike.

#include <cstdint>

namespace kub {

class DitherSource {
public:
    explicit DitherSource(std::uint64_t seed) : state_(seed ? seed : 0x9E3779B97F4A7C15ull) {}
    // Uniform on [0, 1).
    double next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        // Through a signed integer: 53 bits fit, and the signed conversion is one instruction.
        return static_cast<double>(static_cast<std::int64_t>((state_ * 0x2545F4914F6CDD1Dull) >> 11)) * 0x1.0p-53;
    }

private:
    std::uint64_t state_;
};

}  // namespace kub
