#include "siggen/stereo_track.h"

#include <algorithm>
#include <cmath>

#include "capture/audio_file.h"
#include "siggen/repeatable_random.h"

namespace siggen {

void StereoTrack::append(Side side, const std::vector<float>& mono) {
    const std::size_t n = mono.size();
    const std::size_t at = left_.size();
    left_.resize(at + n, 0.0f);
    right_.resize(at + n, 0.0f);
    if (side != Side::Right) std::copy(mono.begin(), mono.end(), left_.begin() + static_cast<long>(at));
    if (side != Side::Left) std::copy(mono.begin(), mono.end(), right_.begin() + static_cast<long>(at));
}

void StereoTrack::mixAt(Side side, std::size_t at, const std::vector<float>& mono) {
    const std::size_t end = at + mono.size();
    if (left_.size() < end) {
        left_.resize(end, 0.0f);
        right_.resize(end, 0.0f);
    }
    for (std::size_t i = 0; i < mono.size(); ++i) {
        if (side != Side::Right) left_[at + i] += mono[i];
        if (side != Side::Left) right_[at + i] += mono[i];
    }
}

void StereoTrack::addNoise(double rms, unsigned seed) {
    RepeatableRandom rng(seed);
    for (std::size_t i = 0; i < left_.size(); ++i) {
        left_[i] += static_cast<float>(rng.gaussian(rms));
        right_[i] += static_cast<float>(rng.gaussian(rms));
    }
}

void StereoTrack::gap(double seconds) {
    const auto n = static_cast<std::size_t>(std::lround(seconds * kRate));
    left_.resize(left_.size() + n, 0.0f);
    right_.resize(right_.size() + n, 0.0f);
}

std::vector<std::int16_t> StereoTrack::toInterleaved16() const {
    std::vector<std::int16_t> out(2 * left_.size());
    auto conv = [](float v) {
        double s = std::nearbyint(static_cast<double>(v) * 32767.0);
        return static_cast<std::int16_t>(std::clamp(s, -32768.0, 32767.0));
    };
    for (std::size_t i = 0; i < left_.size(); ++i) {
        out[2 * i] = conv(left_[i]);
        out[2 * i + 1] = conv(right_[i]);
    }
    return out;
}

bool StereoTrack::writeWav(const std::string& path, std::string& error) const {
    return kub::writeWavFile(path, toInterleaved16(), 2, kRate, error);
}

}  // namespace siggen
