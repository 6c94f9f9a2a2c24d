#include "siggen/iq_track.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <liquid/liquid.h>

#include "siggen/repeatable_random.h"

namespace siggen {

namespace {

constexpr double kAudioRate = 22050.0;
constexpr std::size_t kAudioStep = 256;
constexpr std::size_t kBlock = 65536;
// Headroom of the 8-bit output: the channels' peaks together reach 0.8 of full scale.
constexpr double kPeak = 0.8;

}  // namespace

struct IqTrack::State {
    const IqChannel channel;
    msresamp_rrrf resampler = nullptr;
    std::vector<float> upsampled;  // audio at the IQ rate, not yet used
    std::size_t upsampledAt = 0;
    std::size_t audioFed = 0;
    double phase = 0;
    double amplitude = 1;

    explicit State(IqChannel c, double rate) : channel(std::move(c)) {
        resampler = msresamp_rrrf_create(static_cast<float>(rate / kAudioRate), 60.0f);
    }
    ~State() { msresamp_rrrf_destroy(resampler); }
    State(const State&) = delete;
    State& operator=(const State&) = delete;

    // The next audio sample at the IQ rate (silence after the end).
    float nextAudio(double rate) {
        while (upsampledAt >= upsampled.size()) {
            upsampled.clear();
            upsampledAt = 0;
            float in[kAudioStep] = {};
            const std::size_t have = std::min(kAudioStep, channel.audio.size() - std::min(audioFed, channel.audio.size()));
            std::copy_n(channel.audio.begin() + static_cast<std::ptrdiff_t>(std::min(audioFed, channel.audio.size())), have,
                        in);
            audioFed += kAudioStep;
            upsampled.resize(static_cast<std::size_t>(std::ceil(kAudioStep * rate / kAudioRate)) + 64);
            unsigned made = 0;
            msresamp_rrrf_execute(resampler, in, kAudioStep, upsampled.data(), &made);
            upsampled.resize(made);
        }
        return upsampled[upsampledAt++];
    }
};

IqTrack::IqTrack(const IqTrackOptions& options, std::vector<IqChannel> channels)
    : options_(options), noiseState_(options.seed) {
    double sumAmplitude = 0;
    for (IqChannel& c : channels) {
        const double length = static_cast<double>(c.audio.size()) / kAudioRate * options.rate;
        length_ = std::max(length_, static_cast<std::uint64_t>(length));
        const double amplitude = std::pow(10.0, c.levelDb / 20.0);
        sumAmplitude += amplitude;
        states_.push_back(std::make_unique<State>(std::move(c), options.rate));
        states_.back()->amplitude = amplitude;
    }
    scale_ = sumAmplitude > 0 ? kPeak / sumAmplitude : 1.0;
    // Noise against the weakest channel at 0 dB: its power in 12.5 kHz is the carrier's
    // power (scale²) over the CNR.
    if (options.noise) {
        const double inBand = scale_ * scale_ / std::pow(10.0, options.cnrDb / 10.0);
        noiseSigma_ = std::sqrt(inBand * options.rate / 12500.0 / 2.0);
    }
}

IqTrack::~IqTrack() = default;

std::size_t IqTrack::next(std::uint8_t* out, std::size_t count) {
    count = static_cast<std::size_t>(std::min<std::uint64_t>(count, length_ - position_));
    sum_.assign(count, {0.0f, 0.0f});
    for (auto& s : states_) {
        const double step = 2 * std::numbers::pi / options_.rate;
        const double a = s->amplitude * scale_;
        for (std::size_t n = 0; n < count; ++n) {
            const double audio = s->nextAudio(options_.rate);
            const auto at = static_cast<std::size_t>(static_cast<double>(position_ + n) * kAudioRate / options_.rate);
            const bool keyed = at < s->channel.carrier.size() && s->channel.carrier[at];
            s->phase += step * (s->channel.offset + options_.hzPerFullScale * audio);
            if (s->phase > std::numbers::pi) s->phase -= 2 * std::numbers::pi;
            if (s->phase < -std::numbers::pi) s->phase += 2 * std::numbers::pi;
            if (keyed) sum_[n] += std::polar(static_cast<float>(a), static_cast<float>(s->phase));
        }
    }
    RepeatableRandom rng(noiseState_);
    for (std::size_t n = 0; n < count; ++n) {
        double i = sum_[n].real(), q = sum_[n].imag();
        if (noiseSigma_ > 0) {
            i += rng.gaussian(noiseSigma_);
            q += rng.gaussian(noiseSigma_);
        }
        out[2 * n] = static_cast<std::uint8_t>(std::clamp(std::lround(127.5 + 127.5 * i), 0L, 255L));
        out[2 * n + 1] = static_cast<std::uint8_t>(std::clamp(std::lround(127.5 + 127.5 * q), 0L, 255L));
    }
    noiseState_ = rng.next();
    position_ += count;
    return count;
}

bool writeIqFile(IqTrack& track, const char* path, std::string& error) {
    std::FILE* f = std::fopen(path, "wb");
    if (!f) {
        error = std::string(path) + " nicht schreibbar";
        return false;
    }
    std::vector<std::uint8_t> bytes(2 * kBlock);
    bool ok = true;
    while (const std::size_t n = track.next(bytes.data(), kBlock))
        ok = ok && std::fwrite(bytes.data(), 2, n, f) == n;
    ok = std::fclose(f) == 0 && ok;
    if (!ok) error = std::string(path) + ": Schreibfehler";
    return ok;
}

}  // namespace siggen
