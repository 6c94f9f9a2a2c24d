#pragma once
// A decimating FIR filter for complex samples with real taps: the channel filter that
// halves a channel's rate. The taps are designed with liquid; the sums run through VOLK,
// whose dot product uses the machine's vector unit (SSE/AVX, NEON on a Raspberry Pi).
// liquid's own filter object, as Debian builds it, sums one tap at a time: for one
// channel it cost more than the whole band's FFT.

#include <complex>
#include <cstddef>
#include <vector>

namespace kub {

class SdrDecimator {
public:
    // `taps`: the filter (any length ≥ 1); every `factor`-th output is kept.
    SdrDecimator(std::vector<float> taps, std::size_t factor);

    // `n` samples in (a multiple of the factor), n / factor out. Each output is the
    // filter's sum ending at the first of its `factor` inputs.
    void execute(const std::complex<float>* x, std::size_t n, std::complex<float>* y);

private:
    // The taps, the oldest sample's first, from storage_[first_] where it meets VOLK's
    // alignment (an index, not a pointer: the object may be moved).
    std::vector<float> storage_;
    std::size_t first_ = 0;
    unsigned length_;
    std::size_t factor_;
    // The last taps - 1 samples of the previous call, then this call's samples.
    std::vector<std::complex<float>> history_;
};

}  // namespace kub
