#pragma once
// The first stage of the channelizer, shared by all channels: the stick's whole band
// through one FFT per block, and from it each channel's part of the band, filtered and at
// a sixteenth (or so) of the rate, through a small inverse FFT of its own (fast
// convolution, overlap-save).
//
// Why not a polyphase filter bank or a mix and a decimating filter per channel: measured
// here, liquid's polyphase bank takes about 80 ns per IQ sample whatever the channel
// count (its own FFT is slow at these sizes), and a mix plus filter per channel at the
// full rate about as much per channel; FFTW's transform costs a few ns per sample and
// each channel a fraction of that. The filter itself is liquid's design.
//
// A channel is taken at a bin a multiple of eight bins from the middle: the blocks
// advance by seven eighths of the FFT, and only then does each block's piece continue
// the last one's phase. What is left between the bin and the channel (at most four bins,
// about 600 Hz) the channel's own mix takes out.

#include <complex>
#include <cstddef>
#include <functional>
#include <span>
#include <vector>

#include <fftw3.h>

#include "sdr/liquid_object.h"

namespace kub {

class BandSplitter {
public:
    // `rate`: IQ samples per second; `shifts`: where each channel lies (Hz from the
    // band's middle).
    BandSplitter(double rate, const std::vector<double>& shifts);

    // Samples per second of each channel's piece.
    double outputRate() const { return outputRate_; }
    // Where channel `c`'s piece has its middle (Hz from the band's middle).
    double takenAt(std::size_t c) const { return takenAt_[c]; }

    // IQ samples, any count; each finished block hands every channel its piece.
    using Take = std::function<void(std::size_t channel, std::span<const std::complex<float>> piece)>;
    void push(std::span<const std::complex<float>> iq, const Take& take);

private:
    using Plan = LiquidObject<fftwf_plan, fftwf_destroy_plan>;

    std::size_t size_;       // FFT length
    std::size_t pieceSize_;  // inverse FFT length
    std::size_t hop_;        // new samples per block (seven eighths)
    double outputRate_;
    std::vector<std::complex<float>> time_, spectrum_, response_;
    std::size_t fill_;
    Plan forward_;
    std::vector<long> bin_;
    std::vector<double> takenAt_;
    std::vector<std::complex<float>> pieceIn_, pieceOut_;
    Plan inverse_;
};

}  // namespace kub
