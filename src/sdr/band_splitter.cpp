#include "sdr/band_splitter.h"

#include <algorithm>
#include <cmath>

namespace kub {

namespace {

// Each channel's piece runs at 64 kHz or more: room for the ±14 kHz its wide filter
// keeps, and a filter edge that needs few taps.
constexpr double kLeastPieceRate = 64000.0;
constexpr std::size_t kPieceSize = 512;
// The piece's filter: flat over ±16 kHz (the channel, its offset allowance and the
// distance to the taken bin), 70 dB down from 30 kHz (or, in a wider piece, from 35 kHz).
constexpr double kPass = 16000.0, kStop = 35000.0;
constexpr float kStopDb = 70.0f;
constexpr long kBinStep = 8;

// Plans are made once per channelizer; FFTW measures the fastest way for this machine
// (a fraction of a second at start-up, a third less time per transform).
fftwf_plan planOf(std::size_t n, std::complex<float>* in, std::complex<float>* out, int direction) {
    return fftwf_plan_dft_1d(static_cast<int>(n), reinterpret_cast<fftwf_complex*>(in),
                             reinterpret_cast<fftwf_complex*>(out), direction, FFTW_MEASURE);
}

std::size_t decimation(double rate) {
    std::size_t d = 1;
    while (rate / static_cast<double>(2 * d) >= kLeastPieceRate) d *= 2;
    return d;
}

}  // namespace

BandSplitter::BandSplitter(double rate, const std::vector<double>& shifts)
    : size_(kPieceSize * decimation(rate)),
      pieceSize_(kPieceSize),
      hop_(size_ / 8 * 7),
      outputRate_(rate / static_cast<double>(decimation(rate))),
      time_(size_),
      spectrum_(size_),
      response_(size_),
      fill_(size_ - hop_),
      forward_(planOf(size_, time_.data(), spectrum_.data(), FFTW_FORWARD)),
      pieceIn_(kPieceSize),
      pieceOut_(kPieceSize),
      inverse_(planOf(kPieceSize, pieceIn_.data(), pieceOut_.data(), FFTW_BACKWARD)) {
    // The filter's length fits the eighth the blocks overlap by.
    const double stop = std::min(kStop, outputRate_ / 2 - 2000.0);
    const double transition = (stop - kPass) / rate;
    const auto wanted = static_cast<std::size_t>(std::ceil((kStopDb - 7.95) / (14.36 * transition)));
    const std::size_t taps = std::min(wanted, size_ / 8) | 1u;
    std::vector<float> h(taps);
    liquid_firdes_kaiser(static_cast<unsigned>(taps), static_cast<float>((kPass + stop) / 2 / rate), kStopDb, 0.0f,
                         h.data());
    std::vector<std::complex<float>> padded(size_);
    // Scaled for liquid's unnormalized transforms: a carrier comes out at its own level.
    float sum = 0;
    for (float v : h) sum += v;
    for (std::size_t k = 0; k < taps; ++k) padded[k] = h[k] / sum / static_cast<float>(pieceSize_);
    Plan p(planOf(size_, padded.data(), response_.data(), FFTW_FORWARD));
    fftwf_execute(p.get());

    const double spacing = rate / static_cast<double>(size_);
    for (double s : shifts) {
        const long k = std::lround(s / spacing / static_cast<double>(kBinStep)) * kBinStep;
        bin_.push_back(k);
        takenAt_.push_back(static_cast<double>(k) * spacing);
    }
}

void BandSplitter::push(std::span<const std::complex<float>> iq, const Take& take) {
    const auto n = static_cast<long>(size_);
    const auto half = static_cast<long>(pieceSize_ / 2);
    const std::size_t keep = pieceSize_ / 8;  // the first eighth of a piece carries the wrap
    while (!iq.empty()) {
        const std::size_t now = std::min(iq.size(), size_ - fill_);
        std::copy_n(iq.begin(), now, time_.begin() + static_cast<std::ptrdiff_t>(fill_));
        fill_ += now;
        iq = iq.subspan(now);
        if (fill_ < size_) break;
        fftwf_execute(forward_.get());
        for (std::size_t c = 0; c < bin_.size(); ++c) {
            // Bins from the taken one up and down to the piece's edges, each weighted with
            // the filter; the taken bin lands on the piece's zero, those below it at the
            // piece's top end.
            std::size_t b = static_cast<std::size_t>(((bin_[c] - half) % n + n) % n);
            for (std::size_t k = 0; k < pieceSize_; ++k) {
                const std::size_t j = (k + pieceSize_ / 2) % pieceSize_;  // the piece's index
                const std::size_t r = k < pieceSize_ / 2 ? size_ - pieceSize_ / 2 + k : k - pieceSize_ / 2;
                pieceIn_[j] = spectrum_[b] * response_[r];
                if (++b == size_) b = 0;
            }
            fftwf_execute(inverse_.get());
            take(c, std::span<const std::complex<float>>(pieceOut_).subspan(keep));
        }
        std::copy(time_.end() - static_cast<std::ptrdiff_t>(size_ - hop_), time_.end(), time_.begin());
        fill_ = size_ - hop_;
    }
}

}  // namespace kub
