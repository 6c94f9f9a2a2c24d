#pragma once
// Where the block feeders take their audio from: a recording or a pipe, already as
// interleaved stereo frames at 22050 Hz.

#include <cstddef>
#include <cstdint>

namespace kub {

class StereoSource {
public:
    virtual ~StereoSource() = default;
    // Fills up to `frames` frames; fewer only at the end of the input, 0 after it.
    virtual std::size_t read(std::int16_t* stereo, std::size_t frames) = 0;
};

}  // namespace kub
