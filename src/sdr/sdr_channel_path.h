#pragma once
// One channel's way from its piece of the band to audio: the fine mix onto the carrier,
// the channel filter that halves the rate, the FM discriminator, the carrier meter, and
// the resampler to the decoders' rate.
//
// The channel filter comes in two widths. The narrow one (about ±6 kHz) keeps a neighbour
// 12.5 kHz away out; the wide one (about ±12 kHz) lets a carrier still 6 kHz off through
// whole, so that its offset can be measured at all. The channelizer picks the width.

#include <complex>
#include <cstdint>
#include <vector>

#include "sdr/carrier_meter.h"
#include "sdr/liquid_object.h"
#include "sdr/sdr_decimator.h"

namespace kub {

class SdrChannelPath {
public:
    // `rate`: the piece's samples per second; `shift`: where the channel's carrier should
    // sit in it (Hz from its middle).
    SdrChannelPath(double rate, double shift);

    // Moves the mix by `hz` further up (a tuner correction); the meter follows.
    void retune(double hz);
    void setWide(bool wide) { wide_ = wide; }

    // Coarse samples in, audio at the decoders' rate appended to `audio`.
    void process(const std::complex<float>* x, std::size_t n, std::vector<std::int16_t>& audio);

    const CarrierMeter& meter() const { return meter_; }

private:
    using Demod = LiquidObject<freqdem, freqdem_destroy>;
    using Resampler = LiquidObject<msresamp_rrrf, msresamp_rrrf_destroy>;

    double rate_;
    double shift_;
    bool wide_ = false;
    // The mix: VOLK's rotator, a unit phasor turned by one step per sample.
    std::complex<float> phase_{1.0f, 0.0f};
    std::complex<float> step_{1.0f, 0.0f};
    SdrDecimator narrow_;
    SdrDecimator wideFilter_;
    Demod demod_;
    Resampler resampler_;
    CarrierMeter meter_;
    std::vector<std::complex<float>> mixed_, half_;
    std::vector<float> hz_, resampled_;
};

}  // namespace kub
