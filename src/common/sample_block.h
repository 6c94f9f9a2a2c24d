#pragma once
// One channel's samples as the decoders take them: blocks of 1024 values at 22050 per
// second, the raw 16-bit sample values, unscaled (-32768..32767).

#include <array>

namespace kub {

constexpr int kBlockFrames = 1024;
constexpr int kSampleRate = 22050;

using SampleArray = std::array<double, kBlockFrames>;

}  // namespace kub
