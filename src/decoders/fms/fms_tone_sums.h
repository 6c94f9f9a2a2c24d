#pragma once
// The soft decisions of every FMS bit a stretch of audio can hold: each bit's energy in
// the two tones (1200 Hz for a 1, 1800 Hz for a 0), each in quadrature, for a bit of 18
// and of 19 samples (at 22050 Hz a bit lasts 18.375) starting at every sample. The bit
// clock search asks for every bit at some fifty starts, and an echo search asks again for
// every echo it tries; summed afresh for each bit and start, this cost the most of the
// whole decode. Running sums over the stretch make each bit's energy the difference of
// two of them, and every soft decision is worked out once per stretch. The phase of the
// tones is counted from the stretch's first sample, not the bit's; the energy of a bit
// does not depend on where the phase is counted from.

#include <cstddef>
#include <vector>

namespace kub {

class FmsToneSums {
public:
    static constexpr std::size_t kShortBit = 18;
    static constexpr std::size_t kLongBit = 19;

    // The decisions over `count` samples from `samples` on; the memory is kept for the
    // next stretch.
    void fill(const double* samples, std::size_t count);
    // The soft decision over the bit of `length` samples (kShortBit or kLongBit) from index
    // `first` of the stretch: from -1 (all energy at 1800 Hz, a 0) to +1 (all at 1200 Hz,
    // a 1); 0 for silence.
    double soft(std::size_t first, std::size_t length) const { return softs(length)[first]; }
    // The decisions of all bits of `length` samples, by their first sample.
    const double* softs(std::size_t length) const {
        return length == kShortBit ? shortBits_.data() : longBits_.data();
    }

private:
    void decide(std::size_t length, std::vector<double>& out) const;

    // Running sums: index i holds the sum over the samples before i.
    std::vector<double> oneRe_, oneIm_, zeroRe_, zeroIm_;
    std::vector<double> shortBits_, longBits_;
};

}  // namespace kub
