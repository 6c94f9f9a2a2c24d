#include "sdr/sdr_channel_path.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

#include "sdr/volk_header.h"

#include "common/sample_block.h"

namespace kub {

namespace {

// Filters: Kaiser windows with 60 dB of stop band.
constexpr float kStopBandDb = 60.0f;
// The channel itself: FM with up to ±4 kHz deviation and tones up to 3 kHz stays within
// ±5.5 kHz; a neighbour 12.5 kHz away begins 7 kHz out.
constexpr double kNarrowPass = 5500.0, kNarrowStop = 7500.0;
constexpr double kWidePass = 11500.0, kWideStop = 14000.0;
// The sound card's level: 3 kHz of deviation is half of full scale, as a transmitter's
// tone comes out of a scanner's speaker output at a good level.
constexpr double kFullScaleHz = 6000.0;

SdrDecimator makeDecimator(double rate, double pass, double stop) {
    const double transition = (stop - pass) / rate;
    // Kaiser's estimate of the length for the stop band and transition.
    auto taps = static_cast<unsigned>(std::ceil((kStopBandDb - 7.95) / (14.36 * transition))) | 1u;
    std::vector<float> h(taps);
    liquid_firdes_kaiser(taps, static_cast<float>((pass + stop) / 2 / rate), kStopBandDb, 0.0f, h.data());
    // Unity gain at the carrier: the discriminator does not care, the power meter's
    // ratios do not either, but equal gains keep the two widths' powers comparable.
    float sum = 0;
    for (float v : h) sum += v;
    for (float& v : h) v /= sum;
    return SdrDecimator(std::move(h), 2);
}

}  // namespace

SdrChannelPath::SdrChannelPath(double rate, double shift)
    : rate_(rate),
      shift_(shift),
      narrow_(makeDecimator(rate, kNarrowPass, kNarrowStop)),
      wideFilter_(makeDecimator(rate, kWidePass, kWideStop)),
      // kf = 1: the discriminator gives the frequency as a fraction of its rate.
      demod_(freqdem_create(1.0f)),
      resampler_(msresamp_rrrf_create(static_cast<float>(kSampleRate / (rate / 2)), kStopBandDb)),
      meter_(rate / 2) {
    retune(0);
}

void SdrChannelPath::retune(double hz) {
    shift_ += hz;
    meter_.retuned(-hz);
    // Down by the shift: the carrier lands on zero.
    step_ = std::polar(1.0f, static_cast<float>(-2 * std::numbers::pi * shift_ / rate_));
}

void SdrChannelPath::process(const std::complex<float>* x, std::size_t n, std::vector<std::int16_t>& audio) {
    mixed_.resize(n);
    volk_32fc_s32fc_x2_rotator_32fc_u(mixed_.data(), x, step_, &phase_, static_cast<unsigned>(n));
    // Whole pairs only: the splitter hands even counts.
    const std::size_t halves = n / 2;
    half_.resize(halves);
    // Both widths keep their state running while the wide one is in use, so that the
    // switch to the narrow one does not click.
    narrow_.execute(mixed_.data(), 2 * halves, half_.data());
    if (wide_) wideFilter_.execute(mixed_.data(), 2 * halves, half_.data());
    hz_.resize(halves);
    freqdem_demodulate_block(demod_.get(), half_.data(), static_cast<unsigned>(halves), hz_.data());
    const auto rate = static_cast<float>(rate_ / 2);
    for (std::size_t k = 0; k < halves; ++k) {
        hz_[k] *= rate;
        meter_.take(hz_[k], std::norm(half_[k]));
    }
    // The carrier's measured offset is taken out: the decoders get the tones about zero.
    const auto offset = static_cast<float>(meter_.offset());
    for (float& v : hz_) v -= offset;
    resampled_.resize(halves + 16);
    unsigned produced = 0;
    msresamp_rrrf_execute(resampler_.get(), hz_.data(), static_cast<unsigned>(halves), resampled_.data(), &produced);
    const double scale = 32768.0 / kFullScaleHz;
    for (unsigned k = 0; k < produced; ++k) {
        const double v = std::clamp(static_cast<double>(resampled_[k]) * scale, -32768.0, 32767.0);
        audio.push_back(static_cast<std::int16_t>(std::lround(v)));
    }
}

}  // namespace kub
