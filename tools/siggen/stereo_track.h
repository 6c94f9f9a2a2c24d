#pragma once
// A stereo test recording under construction: signals are written onto the left and/or
// right channel at a running position, as floats in full-scale units (±1.0).

#include <cstdint>
#include <string>
#include <vector>

namespace siggen {

constexpr int kRate = 22050;

enum class Side { Left, Right, Both };

class StereoTrack {
public:
    // Appends mono samples at the current end of the chosen side(s); the other side
    // gets silence over the same span.
    void append(Side side, const std::vector<float>& mono);
    // Adds mono samples onto one or both sides starting at frame `at`, growing the track.
    void mixAt(Side side, std::size_t at, const std::vector<float>& mono);
    // Silence of the given length on both sides.
    void gap(double seconds);
    // White noise of the given RMS (full scale 1.0) on both sides, repeatable by seed.
    void addNoise(double rms, unsigned seed);
    std::size_t frames() const { return left_.size(); }
    const std::vector<float>& left() const { return left_; }
    const std::vector<float>& right() const { return right_; }
    std::vector<float>& left() { return left_; }
    std::vector<float>& right() { return right_; }

    // Interleaved 16-bit, clipped.
    std::vector<std::int16_t> toInterleaved16() const;
    bool writeWav(const std::string& path, std::string& error) const;

private:
    std::vector<float> left_;
    std::vector<float> right_;
};

}  // namespace siggen
