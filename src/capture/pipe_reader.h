#pragma once
// Raw PCM read from a file descriptor (stdin of "kubmon decode -"), waiting for the pipe
// as long as it is open: the writer sets the pace.

#include <string>
#include <vector>

#include "capture/raw_pcm.h"
#include "capture/stereo_source.h"

namespace kub {

// Why raw PCM cannot be read from `fd` at all (closed, a folder), in German for the user
// who started us so; empty when it may be read. "Standardeingabe" names stdin.
std::string pipeInputProblem(int fd);

class PipeReader final : public StereoSource {
public:
    PipeReader(int fd, RawPcmFormat format) : fd_(fd), converter_(format) {}

    std::size_t read(std::int16_t* stereo, std::size_t frames) override;
    // Bytes taken from the pipe so far.
    long long bytesRead() const { return bytes_; }
    // The error number that ended the input early; 0 when it ended as a pipe ends.
    int readError() const { return error_; }

private:
    // Reads once from the pipe into the frame buffer; false at the end of the input.
    bool fill();

    int fd_;
    RawPcmConverter converter_;
    std::vector<std::int16_t> frames_;
    std::size_t taken_ = 0;  // samples of frames_ already handed out
    bool ended_ = false;
    long long bytes_ = 0;
    int error_ = 0;
};

}  // namespace kub
