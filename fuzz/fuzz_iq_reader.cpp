// IQ bytes of any format, cut into reads of any size: the samples that come out are the
// complete pairs, the same as from one piece, each a number within full scale (or the
// bounded values a float input allows), never NaN.

#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "sdr/iq_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const kub::IqFormat format = data[0] % 3 == 0 ? kub::IqFormat::Cu8 : data[0] % 3 == 1 ? kub::IqFormat::Cs16
                                                                                           : kub::IqFormat::Cf32;
    const std::size_t chunk = 1 + data[1];
    const std::uint8_t* iq = data + 2;
    const std::size_t bytes = size - 2;

    kub::IqReader whole(format);
    std::vector<std::complex<float>> one;
    whole.push(iq, bytes, one);
    kub::IqReader cut(format);
    std::vector<std::complex<float>> pieces;
    for (std::size_t at = 0; at < bytes; at += chunk) cut.push(iq + at, std::min(chunk, bytes - at), pieces);
    if (one.size() != bytes / kub::iqPairBytes(format) || pieces.size() != one.size()) std::abort();
    for (std::size_t k = 0; k < one.size(); ++k) {
        if (!(one[k] == pieces[k])) std::abort();
        if (!std::isfinite(one[k].real()) || !std::isfinite(one[k].imag())) std::abort();
        if (std::fabs(one[k].real()) > 1e6f || std::fabs(one[k].imag()) > 1e6f) std::abort();
    }
    return 0;
}
