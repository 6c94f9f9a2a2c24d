#pragma once
// Test IQ as an SDR stick would deliver it: several channels of FM-modulated audio
// (each with its carrier keyed on while it transmits), white noise over the whole band
// and a crystal error, written as unsigned 8-bit I/Q pairs (what `rtl_sdr` writes).
// Made block by block, so an hour of input takes no more memory than a second.

#include <complex>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace siggen {

struct IqChannel {
    double offset = 0;            // Hz from the centre, as the stick would show it
    std::vector<float> audio;     // 22050 Hz, full scale 1.0
    std::vector<bool> carrier;    // per audio sample: transmitter keyed
    double levelDb = 0;           // relative to the other channels
};

struct IqTrackOptions {
    double rate = 1024000;
    // Deviation per full-scale audio: 6 kHz, so a signal at half scale swings ±3 kHz.
    double hzPerFullScale = 6000;
    // Carrier to noise in 12.5 kHz of band (dB); none: no noise beyond the 8-bit steps.
    double cnrDb = 40;
    bool noise = true;
    std::uint64_t seed = 1;
};

class IqTrack {
public:
    IqTrack(const IqTrackOptions& options, std::vector<IqChannel> channels);
    ~IqTrack();
    IqTrack(const IqTrack&) = delete;
    IqTrack& operator=(const IqTrack&) = delete;

    // The next up to `count` cu8 pairs (2 bytes each) into `out`; returns the pairs
    // written, 0 at the end.
    std::size_t next(std::uint8_t* out, std::size_t count);
    // Pairs in all.
    std::uint64_t length() const { return length_; }

private:
    struct State;
    std::vector<std::unique_ptr<State>> states_;
    IqTrackOptions options_;
    std::uint64_t length_ = 0;
    std::uint64_t position_ = 0;
    double scale_ = 0;
    double noiseSigma_ = 0;
    std::uint64_t noiseState_;
    std::vector<std::complex<float>> sum_;
};

// Writes the whole track to `path`; false with a German reason in `error`.
bool writeIqFile(IqTrack& track, const char* path, std::string& error);

}  // namespace siggen
