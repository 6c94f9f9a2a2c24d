#include "sdr/sdr_decimator.h"

#include <algorithm>
#include <memory>

#include "sdr/volk_header.h"

namespace kub {

SdrDecimator::SdrDecimator(std::vector<float> taps, std::size_t factor)
    : factor_(factor), history_(taps.size() - 1) {
    // VOLK's "unaligned" AVX kernel still loads the taps as aligned (a crash otherwise).
    const std::size_t alignment = volk_get_alignment();
    storage_.resize(taps.size() + alignment / sizeof(float));
    void* at = storage_.data();
    std::size_t space = storage_.size() * sizeof(float);
    auto* aligned = static_cast<float*>(std::align(alignment, taps.size() * sizeof(float), at, space));
    std::reverse_copy(taps.begin(), taps.end(), aligned);
    first_ = static_cast<std::size_t>(aligned - storage_.data());
    length_ = static_cast<unsigned>(taps.size());
}

void SdrDecimator::execute(const std::complex<float>* x, std::size_t n, std::complex<float>* y) {
    const std::size_t kept = length_ - 1;
    // Sized by the callers' blocks, which the channelizer keeps fixed: no growth over a run.
    history_.resize(kept + n);
    std::copy_n(x, n, history_.begin() + static_cast<std::ptrdiff_t>(kept));
    // The unaligned kernels by name: every other window starts off VOLK's alignment.
    for (std::size_t k = 0; k < n / factor_; ++k)
        volk_32fc_32f_dot_prod_32fc_u(&y[k], &history_[k * factor_], storage_.data() + first_, length_);
    std::copy(history_.end() - static_cast<std::ptrdiff_t>(kept), history_.end(), history_.begin());
}

}  // namespace kub
