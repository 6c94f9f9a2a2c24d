#pragma once
// An SDR stick's band cut into its channels: IQ samples in, each channel's audio at the
// decoders' rate out to an SdrAudioSink.
//
// The first stage is shared by all channels (BandSplitter): one pass over the input hands
// each channel its part of the band at about 100-150 kHz. Each channel then goes on at
// that low rate on a path of its own (SdrChannelPath).
//
// The tuner's crystal error moves every carrier by the same share of its frequency. It
// is corrected by a known ppm, or (ppm auto) from the offsets the channels measure, one
// estimate for all of them; each channel's offset and the ppm that would correct it are
// said once, in German, through `onNotice`.

#include <complex>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "sdr/band_splitter.h"
#include "sdr/sdr_audio_sink.h"
#include "sdr/sdr_channel_path.h"
#include "sdr/sdr_channel_entry.h"

namespace kub {

struct SdrTuning {
    std::int64_t rate = 0;    // IQ samples per second
    std::int64_t centre = 0;  // Hz
    double ppm = 0;           // the crystal's known error
    bool ppmAuto = false;
};

class SdrChannelizer {
public:
    SdrChannelizer(const SdrTuning& tuning, const std::vector<SdrChannelEntry>& channels, SdrAudioSink& sink);

    // IQ samples, any count; the audio they complete goes to the sink.
    void push(std::span<const std::complex<float>> iq);

    // The ppm now applied to every channel.
    double ppm() const { return ppm_; }
    // A channel's carrier offset as measured so far, after the correction (Hz).
    double channelOffset(std::size_t channel) const { return paths_[channel].meter().offset(); }

    // Told once per channel how far off it is and which --ppm would set it right.
    std::function<void(const std::string& message)> onNotice;

private:
    void takePiece(std::size_t channel, std::span<const std::complex<float>> piece);
    void followTuner();
    void noticeOffsets();

    std::vector<SdrChannelEntry> entries_;
    SdrAudioSink& sink_;
    bool ppmAuto_;
    double ppm_;
    bool settled_ = false;
    BandSplitter splitter_;
    std::vector<SdrChannelPath> paths_;
    std::vector<bool> told_;
    std::vector<std::int16_t> audio_;
};

}  // namespace kub
