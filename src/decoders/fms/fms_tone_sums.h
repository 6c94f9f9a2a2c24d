#pragma once
// Running sums of a stretch of audio times the two FMS tones (1200 Hz for a 1, 1800 Hz for
// a 0), each in quadrature. The energy of a bit in each tone is then the difference of two
// running sums, whatever the bit's length and wherever it starts: the bit clock search
// asks for every bit at some fifty starts, and an echo search asks again for every echo it
// tries, so a correlation summed afresh for each bit cost the most of the whole decode.
// The phase of the tones is counted from the stretch's first sample, not the bit's; the
// energy of a bit does not depend on where the phase is counted from.

#include <cstddef>
#include <vector>

namespace kub {

class FmsToneSums {
public:
    // Sums over `count` samples from `samples` on; the memory is kept for the next stretch.
    void fill(const double* samples, std::size_t count);
    // The soft decision over `count` samples from index `first` of the filled stretch:
    // from -1 (all energy at 1800 Hz, a 0) to +1 (all at 1200 Hz, a 1); 0 for silence.
    double soft(std::size_t first, std::size_t count) const;

private:
    struct Sums {
        double oneRe = 0, oneIm = 0, zeroRe = 0, zeroIm = 0;
    };
    // sums_[i]: over the samples before index i.
    std::vector<Sums> sums_;
};

}  // namespace kub
