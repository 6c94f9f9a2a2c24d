#pragma once
// The decoders of one channel (FMS, ZVEI, POCSAG), which of them are on, and the busy
// flags through which they keep out of each other's way. Each block of the channel goes
// to them in a fixed order; what they decode waits in each decoder until taken.

#include <cstdint>

#include "common/decoder_options.h"
#include "common/sample_block.h"
#include "decoders/busy_flags.h"
#include "decoders/fms/fms_decoder.h"
#include "decoders/pocsag/pocsag_decoder.h"
#include "decoders/zvei/zvei_decoder.h"

namespace kub {

// Which decoders of a channel are on.
struct DecoderSwitches {
    bool fms = false;
    bool zvei = false;
    bool pocsag = false;
    bool operator==(const DecoderSwitches&) const = default;
};

// The order of one block on one channel:
//  - while POCSAG is busy, neither FMS nor ZVEI runs and the ZVEI flag keeps its value;
//  - else FMS runs unless ZVEI read a code in the block before, the ZVEI flag is
//    cleared, and ZVEI runs unless an FMS text transmission is under way (set by this
//    very block's FMS as well);
//  - POCSAG runs unless ZVEI has just read a code or an FMS text transmission runs.
// So a five-tone code keeps POCSAG out of its block and FMS out of the next one; a
// decoder not called for a block never sees it.
template <class Fms, class Zvei, class Pocsag>
void runDecodersInOrder(BusyFlags& f, const DecoderSwitches& on, Fms&& fms, Zvei&& zvei, Pocsag&& pocsag) {
    ++f.blocks;
    if (!f.pocsagBusy) {
        if (on.fms && !f.zveiDecoded) fms();
        f.zveiDecoded = false;
        if (on.zvei && !f.fmsBusy) zvei();
    }
    if (on.pocsag && !f.zveiDecoded && !f.fmsBusy) pocsag();
}

class DecoderSet {
public:
    // `options` outlives the set; a change takes effect with the next block.
    explicit DecoderSet(const DecoderOptions& options, std::uint32_t fmsDitherSeed = FmsDecoder::kDitherSeed)
        : fms_(options, flags_, fmsDitherSeed), zvei_(options, flags_), pocsag_(options, flags_) {}
    DecoderSet(const DecoderSet&) = delete;
    DecoderSet& operator=(const DecoderSet&) = delete;

    // A change takes effect with the next block.
    void switchOn(const DecoderSwitches& on) { on_ = on; }
    const DecoderSwitches& switches() const { return on_; }

    // One block of the channel.
    void process(const SampleArray& samples) {
        runDecodersInOrder(flags_, on_, [&] { fms_.process(samples); }, [&] { zvei_.process(samples); },
                           [&] { pocsag_.process(samples); });
    }

    // Where the events wait, and what tests look at.
    FmsDecoder& fms() { return fms_; }
    ZveiDecoder& zvei() { return zvei_; }
    PocsagDecoder& pocsag() { return pocsag_; }
    const BusyFlags& flags() const { return flags_; }

private:
    DecoderSwitches on_;
    BusyFlags flags_;
    FmsDecoder fms_;
    ZveiDecoder zvei_;
    PocsagDecoder pocsag_;
};

}  // namespace kub
