#pragma once
// One channel's FMS decoder: demodulation and telegram evaluation for every block it is
// given. Telegrams (a text transmission as one, when it has ended) and tone calls come out
// as events; what they mean to the monitor is the reception handling's.

#include <cstdint>
#include <vector>

#include "common/band_pass_filter.h"
#include "common/decoder_options.h"
#include "common/sample_block.h"
#include "decoders/busy_flags.h"
#include "decoders/decoder_events.h"
#include "decoders/fms/fms_demodulator.h"
#include "decoders/fms/fms_telegram.h"

namespace kub {

class FmsDecoder final {
public:
    // Each channel gets its own dither sequence; the seed keeps runs repeatable.
    static constexpr std::uint32_t kDitherSeed = 0x9E3779B9u;

    FmsDecoder(const DecoderOptions& options, BusyFlags& flags, std::uint32_t ditherSeed = kDitherSeed)
        : demodulator_(ditherSeed), inputFilter_(fmsBandPass()), options_(options), flags_(flags) {}

    // The band-pass every instance puts in front of its demodulator while the input
    // filter is on.
    static BandPassFilter fmsBandPass();

    // One block of the channel.
    void process(const SampleArray& samples);
    // The events since the last call, oldest first.
    std::vector<FmsEvent> takeEvents();

    const FmsDemodulator& demodulator() const { return demodulator_; }
    const FmsTelegramState& telegram() const { return telegram_; }

private:
    // A telegram whose check bits fail: other readings of its least certain bits.
    bool rescueFirstTelegram(const FmsBits& bits);
    void emitTelegram();
    // Slices the telegram under way and reports what it holds. True if it was a first
    // telegram cut from a false start (no sync word where it began, nothing rescued) and
    // the search goes on behind that start.
    bool sliceAndReport(bool checked);
    // Searches and slices at most this often per block.
    static constexpr int kSearchesPerBlock = 4;

    FmsDemodulator demodulator_;
    FmsTelegramState telegram_;
    // The block being worked on; the demodulator's filters work in place.
    SampleArray samples_{};
    // In front of the demodulator while the input filter is on: the band of the two FSK
    // tones and of the tone calls at 1750 and 2135 Hz.
    BandPassFilter inputFilter_;
    const DecoderOptions& options_;
    BusyFlags& flags_;
    std::vector<FmsEvent> events_;
};

}  // namespace kub
