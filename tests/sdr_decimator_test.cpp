// The channel filter: liquid's own decimating filter is the reference; ours must give the
// same samples however the input is cut into blocks, or a channel would click at every
// block's edge.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "sdr/liquid_object.h"
#include "sdr/sdr_decimator.h"

namespace kub {
namespace {

TEST(SdrDecimator, SameAsLiquidsFilterInBlocksOfAnySize) {
    const unsigned taps = 61;
    std::vector<float> h(taps);
    liquid_firdes_kaiser(taps, 0.2f, 60.0f, 0.0f, h.data());
    // A chirp with some noise-like wobble: every tap and the carried-over history count.
    std::vector<std::complex<float>> x(2000);
    for (std::size_t k = 0; k < x.size(); ++k) {
        const auto t = static_cast<float>(k);
        x[k] = std::polar(0.5f + 0.3f * std::sin(0.37f * t), 0.001f * t * t);
    }
    LiquidObject<firdecim_crcf, firdecim_crcf_destroy> reference(firdecim_crcf_create(2, h.data(), taps));
    std::vector<std::complex<float>> want(x.size() / 2);
    firdecim_crcf_execute_block(reference.get(), x.data(), static_cast<unsigned>(want.size()), want.data());

    SdrDecimator ours(h, 2);
    std::vector<std::complex<float>> got(want.size());
    std::size_t at = 0;
    for (std::size_t block = 2; at < x.size(); block = block * 3 % 194 + 2) {  // even sizes, 2 to 194
        const std::size_t n = std::min(block, x.size() - at);
        ours.execute(x.data() + at, n, got.data() + at / 2);
        at += n;
    }
    for (std::size_t k = 0; k < want.size(); ++k) ASSERT_LT(std::abs(got[k] - want[k]), 1e-5f) << "sample " << k;
}

}  // namespace
}  // namespace kub
