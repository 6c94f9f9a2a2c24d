#include "sdr/sdr_channelizer.h"

#include <cmath>
#include <cstdio>

namespace kub {

namespace {

// ppm auto: a correction needs this many 10 ms windows of carrier over all channels;
// it counts as found once the channels agree within 1 kHz (then the narrow filters).
constexpr std::uint64_t kWindowsToFollow = 5;
constexpr std::uint64_t kWindowsToSettle = 30;
constexpr double kSettledHz = 1000.0;
// ppm auto follows no error beyond this: a real stick stays well within it, a carrier
// further off would leave its bin's flat band.
constexpr double kHighestAutoPpm = 100.0;
// A channel's offset is told once it is measured over half a second of carrier.
constexpr std::uint64_t kWindowsToTell = 50;

// Where a channel's carrier shows in the band (Hz from its middle): a crystal fast by e
// ppm shows a carrier at f about e ppm of f lower.
double shownAt(const SdrChannelEntry& c, const SdrTuning& t, double ppm) {
    const double f = static_cast<double>(c.frequency);
    return f - static_cast<double>(t.centre) - ppm * 1e-6 * f;
}

std::vector<double> shownAt(const std::vector<SdrChannelEntry>& channels, const SdrTuning& t) {
    std::vector<double> at;
    for (const SdrChannelEntry& c : channels) at.push_back(shownAt(c, t, t.ppm));
    return at;
}

std::string kilohertz(double hz) {
    char text[32];
    const double tenths = std::round(hz / 100.0);
    std::snprintf(text, sizeof text, "%.1f", (tenths == 0 ? 0.0 : tenths) / 10.0);
    std::string s = text;
    for (char& c : s)
        if (c == '.') c = ',';
    return s;
}

}  // namespace

SdrChannelizer::SdrChannelizer(const SdrTuning& tuning, const std::vector<SdrChannelEntry>& channels,
                               SdrAudioSink& sink)
    : entries_(channels),
      sink_(sink),
      ppmAuto_(tuning.ppmAuto),
      ppm_(tuning.ppm),
      splitter_(static_cast<double>(tuning.rate), shownAt(channels, tuning)),
      told_(channels.size(), false) {
    paths_.reserve(channels.size());
    for (std::size_t c = 0; c < channels.size(); ++c) {
        paths_.emplace_back(splitter_.outputRate(), shownAt(channels[c], tuning, ppm_) - splitter_.takenAt(c));
        paths_.back().setWide(ppmAuto_);
    }
}

void SdrChannelizer::push(std::span<const std::complex<float>> iq) {
    splitter_.push(iq, [this](std::size_t c, std::span<const std::complex<float>> piece) { takePiece(c, piece); });
}

void SdrChannelizer::takePiece(std::size_t c, std::span<const std::complex<float>> piece) {
    audio_.clear();
    paths_[c].process(piece.data(), piece.size(), audio_);
    if (!audio_.empty()) sink_.takeChannelAudio(c, audio_);
    // Every channel has had its piece of the block: time to look at the tuner.
    if (c + 1 < paths_.size()) return;
    if (ppmAuto_) followTuner();
    noticeOffsets();
}

void SdrChannelizer::followTuner() {
    // One estimate for all channels: each channel's remaining offset as a share of its
    // frequency, weighted by how long it has been measured.
    double sum = 0, weight = 0;
    std::uint64_t windows = 0;
    double worst = 0;
    for (std::size_t c = 0; c < paths_.size(); ++c) {
        const std::uint64_t n = paths_[c].meter().carrierWindows();
        if (n == 0) continue;
        const double w = static_cast<double>(std::min<std::uint64_t>(n, 100));
        sum += w * paths_[c].meter().offset() / static_cast<double>(entries_[c].frequency) * 1e6;
        weight += w;
        windows += n;
        worst = std::max(worst, std::fabs(paths_[c].meter().offset()));
    }
    if (windows < kWindowsToFollow || weight <= 0) return;
    const double remaining = sum / weight;  // ppm still to correct
    if (std::fabs(remaining) > 0.05 && std::fabs(ppm_ - remaining) <= kHighestAutoPpm) {
        ppm_ -= remaining;
        for (std::size_t c = 0; c < paths_.size(); ++c)
            paths_[c].retune(remaining * 1e-6 * static_cast<double>(entries_[c].frequency));
    }
    if (!settled_ && windows >= kWindowsToSettle && worst < kSettledHz) {
        settled_ = true;
        for (auto& p : paths_) p.setWide(false);
    }
}

void SdrChannelizer::noticeOffsets() {
    for (std::size_t c = 0; c < paths_.size(); ++c) {
        const CarrierMeter& m = paths_[c].meter();
        if (told_[c] || m.carrierWindows() < kWindowsToTell) continue;
        told_[c] = true;
        if (!onNotice) continue;
        const double f = static_cast<double>(entries_[c].frequency);
        // Off by the correction applied plus what is left: the crystal's whole error.
        const double residual = m.offset();
        const double ppmTotal = ppm_ - residual / f * 1e6;
        const double offHz = -ppmTotal * 1e-6 * f;
        std::string line = "Kanal " + entries_[c].name + " (" + std::to_string(entries_[c].frequency) + " Hz): Träger " +
                           kilohertz(offHz) + " kHz neben der Sollfrequenz, Quarzfehler des Sticks etwa --ppm " +
                           std::to_string(std::lround(ppmTotal));
        if (ppmAuto_) line += " (wird mit --ppm auto ausgeglichen)";
        onNotice(line);
    }
}

}  // namespace kub
