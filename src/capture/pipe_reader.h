#pragma once
// Raw PCM read from a file descriptor (stdin of "kubmon decode -"), waiting for the pipe
// as long as it is open: the writer sets the pace.

#include <vector>

#include "capture/raw_pcm.h"
#include "capture/stereo_source.h"

namespace kub {

class PipeReader final : public StereoSource {
public:
    PipeReader(int fd, RawPcmFormat format) : fd_(fd), converter_(format) {}

    std::size_t read(std::int16_t* stereo, std::size_t frames) override;
    // Bytes taken from the pipe so far.
    long long bytesRead() const { return bytes_; }

private:
    // Reads once from the pipe into the frame buffer; false at the end of the input.
    bool fill();

    int fd_;
    RawPcmConverter converter_;
    std::vector<std::int16_t> frames_;
    std::size_t taken_ = 0;  // samples of frames_ already handed out
    bool ended_ = false;
    long long bytes_ = 0;
};

}  // namespace kub
