#pragma once
// One channel's POCSAG decoder (Module12 left, Module15 right): bit recovery, codeword
// layer and reception handling over the channel's own long-lived state.

#include <array>
#include <cstdint>

#include "capture/decoder_inputs.h"
#include "common/hum_canceller.h"
#include "core/reception_context.h"
#include "decoders/pocsag/dither_source.h"
#include "decoders/pocsag/pocsag_filter.h"
#include "decoders/pocsag/pocsag_path_restorer.h"
#include "decoders/pocsag/pocsag_state.h"
#include "decoders/pocsag/pocsag_symbol_slicer.h"

namespace kub {

class PocsagDecoder final : public PocsagBlockDecoder {
public:
    PocsagDecoder(ReceptionContext& context, ChannelFlags& flags, std::uint64_t ditherSeed = 1);
    void processPocsagBuffer() override;

    const PocsagBitState& bitState() const { return bits_; }
    const PocsagWordState& wordState() const { return words_; }

private:
    ReceptionContext& context_;
    ChannelFlags& flags_;
    DitherSource dither_;
    PocsagLowPass lowPass_;
    // In front of the low-pass while the input filter is on.
    HumCanceller humCanceller_;
    std::uint64_t lastBlock_ = 0;  // the channel's block count at the last call
    int blocksSinceKept_ = 0;
    // The bit recovery of the improved path (with the input filter).
    PocsagSymbolSlicer slicer_;
    // A receiver's loudspeaker output is de-emphasised and AC-coupled, a voice channel has
    // lost everything below 300 Hz: runs of equal bits sag towards zero and the bit sums of
    // the slicer above lose their sign. While the preamble is on, a slicer per such path
    // works on the signal with the path undone; when one finds the sync codeword and the
    // first one has not (or with more wrong bits, or as many but less surely), the
    // transmission is read from it. A signal with its low frequencies intact reads wrongly
    // there, so the plain slicer keeps it.
    struct Restored {
        explicit Restored(PocsagAudioPath path) : restorer(path) {
            if (path == PocsagAudioPath::VoiceBand) slicer.followBaseline(PocsagPathRestorer::kVoiceBandRestoredHz);
        }
        PocsagPathRestorer restorer;
        SampleArray samples{};
        PocsagSymbolSlicer slicer;
        PocsagBitState bits;
        std::uint32_t sync = 0;
        int syncErrors = 32;
        int syncAt = -1;  // ring index after the sync codeword found there
        double syncSureness = 0;  // sum of its soft bits' sizes
    };
    void sliceRestored(Restored& r, bool acquiring);
    // Fewest wrong bits of the sync codeword (either polarity) over the plain slicer's new bits.
    int plainSyncErrors(int from);
    std::array<Restored, 2> restored_{Restored(PocsagAudioPath::Loudspeaker), Restored(PocsagAudioPath::VoiceBand)};
    std::uint32_t plainSync_ = 0;
    int plainSyncErrors_ = 32;
    double plainSyncSureness_ = 0;
    int reading_ = -1;  // the restored signal the transmission is read from, if any
    // Through a voice channel the runs of the plain signal stop looking like data where the
    // preamble ends, and the lock on them ends the transmission before the sync codeword has
    // come in. That end is held back for a while so that the restored slicers can find it.
    void holdPreambleEnd();
    double heldSamples_ = -1;  // samples since the end was first held back, -1 none
    bool endHeld_ = false;
    double preambleSamples_ = 0;  // since the preamble was found
    bool preambleTooLong() const;
    int alternating_ = 0;  // the plain slicer's last bits that alternate
    bool preambleSeen_ = false;
    bool restoring_ = false;  // the restored slicers run
    PocsagBitState bits_;
    PocsagWordState words_;
    PocsagLastReception last_;
};

}  // namespace kub
