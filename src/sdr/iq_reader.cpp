#include "sdr/iq_reader.h"

#include <cmath>
#include <cstring>

namespace kub {

namespace {

float floatAt(const std::uint8_t* p) {
    const std::uint32_t bits = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                               static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
    float f = 0;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

float shortAt(const std::uint8_t* p) {
    const auto v = static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | p[1] << 8));
    return static_cast<float>(v) * (1.0f / 32768.0f);
}

// rtl_sdr's bytes are offset by 127.5: 0 and 255 are the two full-scale ends.
float byteValue(std::uint8_t v) { return (static_cast<float>(v) - 127.5f) * (1.0f / 128.0f); }

}  // namespace

IqReader::IqReader(IqFormat format) : format_(format) {}

std::complex<float> IqReader::pair(const std::uint8_t* p) {
    switch (format_) {
        case IqFormat::Cu8: return {byteValue(p[0]), byteValue(p[1])};
        case IqFormat::Cs16: return {shortAt(p), shortAt(p + 2)};
        case IqFormat::Cf32: break;
    }
    float i = floatAt(p), q = floatAt(p + 4);
    // A value a million times full scale is as wrong as a NaN: the channel filters' sums
    // and the power measurement would overflow on it.
    if (!std::isfinite(i) || !std::isfinite(q) || std::fabs(i) > 1e6f || std::fabs(q) > 1e6f) {
        ++bad_;
        i = q = 0;
    }
    return {i, q};
}

void IqReader::push(const std::uint8_t* bytes, std::size_t count, std::vector<std::complex<float>>& out) {
    const std::size_t size = iqPairBytes(format_);
    if (pendingCount_ > 0) {
        const std::size_t take = std::min(size - pendingCount_, count);
        std::memcpy(pending_ + pendingCount_, bytes, take);
        pendingCount_ += take;
        bytes += take;
        count -= take;
        if (pendingCount_ < size) return;
        out.push_back(pair(pending_));
        pendingCount_ = 0;
    }
    const std::size_t pairs = count / size;
    const std::size_t at = out.size();
    out.resize(at + pairs);
    std::complex<float>* to = out.data() + at;
    if (format_ == IqFormat::Cu8) {
        // The stick's format, at millions of pairs a second: one plain loop over the bytes
        // into the floats of the pairs (a complex is two floats), which the compiler turns
        // into vector instructions; a lookup table cannot be, and took four times as long.
        float* values = reinterpret_cast<float*>(to);
        for (std::size_t k = 0; k < 2 * pairs; ++k) values[k] = byteValue(bytes[k]);
    } else {
        for (std::size_t k = 0; k < pairs; ++k) to[k] = pair(bytes + k * size);
    }
    pendingCount_ = count - pairs * size;
    if (pendingCount_ > 0) std::memcpy(pending_, bytes + pairs * size, pendingCount_);
}

}  // namespace kub
