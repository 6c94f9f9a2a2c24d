#pragma once
// A second reading of an FMS telegram from the audio itself. Each bit's stretch is
// correlated with the two tones (1200 Hz for a 1, 1800 Hz for a 0), in quadrature so that
// the phase does not matter, and the bit goes to the tone with more energy. The crossing
// slicer times single zero crossings: an echo a few milliseconds late, or noise near zero,
// moves them by a good part of a bit. The energy of a whole bit in each tone moves far
// less, so this reading holds where the crossings fail. The bit clock is where the end of
// the preamble, the sync word and the sureness of every decision fit best together.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "common/band_pass_filter.h"
#include "common/sample_block.h"
#include "decoders/fms/fms_tone_sums.h"

namespace kub {

class FmsBitCorrelator {
public:
    // About 370 ms at 22050 Hz: a whole first telegram with its preamble, and the block
    // that completed it, are still held when it is read.
    static constexpr int kHistory = 8192;
    static_assert((kHistory & (kHistory - 1)) == 0, "the history wraps by a mask");
    static constexpr double kSampleRate = 22050.0;
    static constexpr double kBitRate = 1200.0;
    static constexpr double kSamplesPerBit = kSampleRate / kBitRate;
    static constexpr int kMaxBits = 64;
    // Every first telegram begins with it.
    static constexpr std::array<std::uint8_t, 8> kSyncWord = {0, 0, 0, 1, 1, 0, 1, 0};

    // The reading of one telegram.
    struct Reading {
        std::array<std::uint8_t, kMaxBits> bits{};  // 0 or 1
        // Per bit from -1 (surely 0) to +1 (surely 1).
        std::array<double, kMaxBits> soft{};
        double endSample = 0.0;  // where the last bit ends, in samples since the start
    };

    // The next block of the channel, as the crossing slicer saw it (filtered or DC-free).
    void append(const SampleArray& block);
    // Samples appended since the start.
    std::int64_t samplesSeen() const { return seen_; }

    // Reads `n` bits (at most kMaxBits) of a telegram that begins with the sync word, whose
    // first bit starts within kSearchBits bits of sample `near`. False if that audio is
    // not held (not yet, or no more).
    bool read(double near, int n, Reading& out) const;
    // The same reading with an echo taken off first (a copy of the signal a few
    // milliseconds late, as from a reflection or a second transmitter): the gain and delay
    // that make the reading fit clearly best with the sync word read right. False if the
    // audio is not held or no such echo removal fits better than the audio as heard.
    bool readThroughEcho(double near, int n, Reading& out) const;
    // Whether the audio of `n` bits from sample `near` holds a drop-out: kDropOutSamples in
    // a row far quieter than the telegram around them, as when the squelch closes for a
    // moment. What is read there is the filter dying away, not what was sent. False if the
    // audio is not held.
    bool holdsDropOut(double near, int n) const;
    // How far the tones of `bits` (`n` of them, at the bit clock of `clock`, a reading of
    // the same telegram) are from explaining the audio (fmsToneMisfit); 0 if that audio is
    // not held.
    double misfit(const Reading& clock, const std::uint8_t* bits, int n) const;
    // The filter the audio appended comes through, if any (for misfit).
    void setShape(const BandPassFilter& filter) {
        if (!shape_) shape_ = filter.atRest();
    }

private:
    // A drop-out: at least 2 ms below 3 % of the telegram's RMS level. Even noise at 0 dB
    // does not stay that quiet for so long, nor does either tone between its crossings.
    static constexpr int kDropOutSamples = 44;
    static constexpr double kDropOutLevel = 0.03;
    static constexpr double kSearchBits = 1.5;
    // An echo is looked for this far behind the direct signal (in samples), and this much
    // audio before the telegram is taken through the echo remover, so that what it does
    // not yet know at its start has died away where the telegram begins.
    static constexpr int kMinEchoDelay = 10;
    static constexpr int kMaxEchoDelay = 110;
    static constexpr int kEchoLeadIn = 6 * kMaxEchoDelay;

    // A stretch of the history, `first` its first sample, for reading from: the lead-in
    // for an echo remover, then `base`, the first sample a bit can start at.
    struct Stretch {
        std::vector<double> samples;
        std::int64_t first = 0;
        std::int64_t base = 0;
    };
    // The audio a reading at `near` needs, with the lead-in for an echo remover; false if
    // it is not held.
    bool heardStretch(double near, int n, Stretch& out) const;
    // One past the last sample a reading of `n` bits at `near` needs.
    static std::int64_t stretchEnd(double near, int n);
    // The tone sums of `audio`'s first `count` samples from its base on, into `sums`.
    static void sumTones(const Stretch& audio, std::size_t count, FmsToneSums& sums);
    // The soft decision over the bit starting at sample `start`.
    static double bitSoft(const FmsToneSums& sums, std::int64_t base, double start);
    // The clock and the bits that fit the summed stretch best; returns how well they fit.
    static double readFrom(const FmsToneSums& sums, std::int64_t base, double near, int n, Reading& out);
    double sample(std::int64_t i) const {
        return history_[static_cast<std::size_t>(i & (kHistory - 1))];
    }

    std::array<double, kHistory> history_{};
    std::optional<BandPassFilter> shape_;
    std::int64_t seen_ = 0;
};

}  // namespace kub
