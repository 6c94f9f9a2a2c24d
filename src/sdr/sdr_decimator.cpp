#include "sdr/sdr_decimator.h"

#include <algorithm>

#include <volk/volk.h>

namespace kub {

SdrDecimator::SdrDecimator(std::vector<float> taps, std::size_t factor)
    : reversed_(taps.rbegin(), taps.rend()), factor_(factor), history_(reversed_.size() - 1) {}

void SdrDecimator::execute(const std::complex<float>* x, std::size_t n, std::complex<float>* y) {
    const std::size_t kept = reversed_.size() - 1;
    // Sized by the callers' blocks, which the channelizer keeps fixed: no growth over a run.
    history_.resize(kept + n);
    std::copy_n(x, n, history_.begin() + static_cast<std::ptrdiff_t>(kept));
    const auto length = static_cast<unsigned>(reversed_.size());
    for (std::size_t k = 0; k < n / factor_; ++k)
        volk_32fc_32f_dot_prod_32fc(&y[k], &history_[k * factor_], reversed_.data(), length);
    std::copy(history_.end() - static_cast<std::ptrdiff_t>(kept), history_.end(), history_.begin());
}

}  // namespace kub
