#include "capture/raw_pcm.h"

#include <samplerate.h>

#include <algorithm>
#include <cmath>

namespace kub {

namespace {
constexpr int kTargetRate = 22050;

std::int16_t toSample(float v) {
    const double s = std::nearbyint(static_cast<double>(v) * 32768.0);
    return static_cast<std::int16_t>(std::clamp(s, -32768.0, 32767.0));
}

bool wholeNumber(const std::string& text, long& value) {
    if (text.empty() || text.size() > 9) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}
}  // namespace

std::string checkRawPcmRate(const std::string& text, int& rate) {
    long v = 0;
    if (!wholeNumber(text, v) || v < kRawPcmMinRate || v > kRawPcmMaxRate)
        return "--rate erwartet die Abtastrate der Rohdaten in Hz, eine ganze Zahl von " +
               std::to_string(kRawPcmMinRate) + " bis " + std::to_string(kRawPcmMaxRate) + " (zum Beispiel --rate 22050), nicht \"" +
               text + "\".";
    rate = static_cast<int>(v);
    return {};
}

std::string checkRawPcmChannels(const std::string& text, int& channels) {
    if (text != "1" && text != "2")
        return "--channels erwartet 1 (Mono, links dekodiert) oder 2 (Stereo), nicht \"" + text + "\".";
    channels = text == "1" ? 1 : 2;
    return {};
}

RawPcmConverter::RawPcmConverter(RawPcmFormat format) : format_(format) {
    if (format_.channels != 2) format_.channels = 1;
    if (format_.rate != kTargetRate && format_.rate > 0) {
        int err = 0;
        src_ = src_new(SRC_SINC_BEST_QUALITY, 2, &err);
        ratio_ = static_cast<double>(kTargetRate) / format_.rate;
    }
}

RawPcmConverter::~RawPcmConverter() {
    if (src_) src_delete(src_);
}

void RawPcmConverter::push(const std::uint8_t* bytes, std::size_t size, std::vector<std::int16_t>& stereo) {
    if (finished_) return;
    const std::size_t frameBytes = 2 * static_cast<std::size_t>(format_.channels);
    held_.insert(held_.end(), bytes, bytes + size);
    const std::size_t frames = held_.size() / frameBytes;
    const auto sample = [this](std::size_t at) {
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(held_[at] | (held_[at + 1] << 8)));
    };
    for (std::size_t f = 0; f < frames; ++f) {
        const std::size_t at = f * frameBytes;
        const std::int16_t left = sample(at);
        const std::int16_t right = format_.channels == 2 ? sample(at + 2) : std::int16_t{0};
        if (src_) {
            in_.push_back(static_cast<float>(left) / 32768.0f);
            in_.push_back(static_cast<float>(right) / 32768.0f);
        } else {
            stereo.push_back(left);
            stereo.push_back(right);
        }
    }
    held_.erase(held_.begin(), held_.begin() + static_cast<long>(frames * frameBytes));
    if (src_) convert(false, stereo);
}

void RawPcmConverter::finish(std::vector<std::int16_t>& stereo) {
    if (finished_) return;
    held_.clear();
    if (src_) convert(true, stereo);
    finished_ = true;
}

void RawPcmConverter::convert(bool last, std::vector<std::int16_t>& stereo) {
    // The converter may keep input back; whatever it did not take stays for next time.
    for (;;) {
        const long inFrames = static_cast<long>(in_.size() / 2);
        const long room = static_cast<long>(std::ceil(static_cast<double>(inFrames) * ratio_)) + 64;
        out_.resize(static_cast<std::size_t>(room) * 2);
        SRC_DATA d{};
        d.data_in = in_.data();
        d.input_frames = inFrames;
        d.data_out = out_.data();
        d.output_frames = room;
        d.end_of_input = last ? 1 : 0;
        d.src_ratio = ratio_;
        if (src_process(src_, &d) != 0) {
            in_.clear();
            return;
        }
        for (long i = 0; i < 2 * d.output_frames_gen; ++i)
            stereo.push_back(toSample(out_[static_cast<std::size_t>(i)]));
        in_.erase(in_.begin(), in_.begin() + 2 * d.input_frames_used);
        if (d.output_frames_gen == 0 && (d.input_frames_used == 0 || in_.empty())) break;
    }
}

}  // namespace kub
