#pragma once
// Raw PCM as an SDR receiver or a script pipes it in: signed 16-bit little-endian
// samples, one or two interleaved channels, at any rate. Bytes go in as they arrive, in
// pieces of any size (a sample or a frame may be split between two reads); interleaved
// stereo frames at 22050 Hz come out. One channel feeds the left decoders; the right
// channel then stays silent.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct SRC_STATE_tag;

namespace kub {

struct RawPcmFormat {
    int rate = 0;      // frames per second of the input
    int channels = 1;  // 1 or 2
};

// The highest and lowest input rates taken; the converter handles ratios up to 256.
constexpr int kRawPcmMinRate = 8000;
constexpr int kRawPcmMaxRate = 384000;

// A rate argument as given on the command line; empty when it is a rate we take,
// otherwise one German line saying what is wrong.
std::string checkRawPcmRate(const std::string& text, int& rate);
std::string checkRawPcmChannels(const std::string& text, int& channels);

class RawPcmConverter {
public:
    // The format must have passed the checks above.
    explicit RawPcmConverter(RawPcmFormat format);
    ~RawPcmConverter();
    RawPcmConverter(const RawPcmConverter&) = delete;
    RawPcmConverter& operator=(const RawPcmConverter&) = delete;

    // Appends the stereo frames these bytes complete to `stereo`.
    void push(const std::uint8_t* bytes, std::size_t size, std::vector<std::int16_t>& stereo);
    // End of input: what the rate converter still holds; a frame cut off by the end is
    // dropped.
    void finish(std::vector<std::int16_t>& stereo);

    // Bytes of an unfinished frame held back for the next push.
    std::size_t heldBytes() const { return held_.size(); }

private:
    void convert(bool last, std::vector<std::int16_t>& stereo);

    RawPcmFormat format_;
    std::vector<std::uint8_t> held_;
    SRC_STATE_tag* src_ = nullptr;  // only when the input rate is not ours
    double ratio_ = 1.0;
    std::vector<float> in_;   // stereo frames at the input rate, waiting for the converter
    std::vector<float> out_;
    bool finished_ = false;
};

}  // namespace kub
