#pragma once
// Recordings as a capture source: WAV, FLAC, OGG (anything libsndfile reads), any rate
// converted to 22050 Hz, any format to 16 bit. A mono file feeds the left channel only,
// a stereo file both; further channels are ignored.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "capture/stereo_source.h"

namespace kub {

class AudioFileReader final : public StereoSource {
public:
    AudioFileReader();
    ~AudioFileReader() override;
    AudioFileReader(const AudioFileReader&) = delete;
    AudioFileReader& operator=(const AudioFileReader&) = delete;

    // False with a one-line German reason in error() when the file cannot be read.
    bool open(const std::string& path);
    const std::string& error() const { return error_; }

    int fileRate() const;
    int fileChannels() const;

    // Fills up to `frames` interleaved stereo frames at 22050 Hz; returns the frames
    // written, 0 at the end of the file.
    std::size_t read(std::int16_t* stereo, std::size_t frames) override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::string error_;
};

// Whole file, for tests and tools: interleaved stereo at 22050 Hz.
bool readAudioFile(const std::string& path, std::vector<std::int16_t>& stereo, std::string& error);

// Writes interleaved 16-bit samples as a WAV file.
bool writeWavFile(const std::string& path, const std::vector<std::int16_t>& interleaved,
                  int channels, int rate, std::string& error);

}  // namespace kub
