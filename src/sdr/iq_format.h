#pragma once
// The sample formats of IQ input: interleaved I/Q pairs as unsigned 8-bit (what `rtl_sdr`
// writes), signed 16-bit little-endian, or 32-bit float little-endian.

#include <cstddef>

namespace kub {

enum class IqFormat { Cu8, Cs16, Cf32 };

// Bytes of one I/Q pair.
constexpr std::size_t iqPairBytes(IqFormat f) {
    return f == IqFormat::Cu8 ? 2 : f == IqFormat::Cs16 ? 4 : 8;
}

}  // namespace kub
