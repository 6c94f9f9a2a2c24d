#pragma once
// IQ bytes as they come from a pipe or a file, cut anywhere (a read may end in the middle
// of a pair, even in the middle of a number), turned into complex samples of full scale
// 1.0. A value that is no number (NaN, infinity in float IQ) becomes 0: one bad sample
// is a click, a NaN in a filter's memory would silence the channel for good.

#include <complex>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sdr/iq_format.h"

namespace kub {

class IqReader {
public:
    explicit IqReader(IqFormat format);

    // Appends the complete pairs of `bytes` (with what was left of the last call) to `out`.
    void push(const std::uint8_t* bytes, std::size_t count, std::vector<std::complex<float>>& out);
    // Bytes of an unfinished pair waiting for the next call.
    std::size_t pendingBytes() const { return pendingCount_; }
    // Samples that were no number and were read as 0.
    std::uint64_t badSamples() const { return bad_; }

private:
    std::complex<float> pair(const std::uint8_t* p);

    IqFormat format_;
    std::uint8_t pending_[8] = {};
    std::size_t pendingCount_ = 0;
    std::uint64_t bad_ = 0;
};

}  // namespace kub
