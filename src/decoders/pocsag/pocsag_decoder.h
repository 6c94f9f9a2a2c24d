#pragma once
// One channel's POCSAG decoder: bit recovery and codeword layer over the channel's own
// long-lived state. Every page comes out as an event as soon as it is closed; the repeat
// rule, names and rows are the reception handling's.

#include <array>
#include <cstdint>
#include <vector>

#include "common/decoder_options.h"
#include "common/hum_canceller.h"
#include "common/sample_block.h"
#include "decoders/busy_flags.h"
#include "decoders/decoder_events.h"
#include "decoders/dither_source.h"
#include "decoders/pocsag/pocsag_filter.h"
#include "decoders/pocsag/pocsag_path_restorer.h"
#include "decoders/pocsag/pocsag_state.h"
#include "decoders/pocsag/pocsag_symbol_slicer.h"

namespace kub {

class PocsagDecoder final {
public:
    static constexpr std::uint64_t kDitherSeed = 1;

    PocsagDecoder(const DecoderOptions& options, BusyFlags& flags, std::uint64_t ditherSeed = kDitherSeed);

    // One block of the channel.
    void process(const SampleArray& samples);
    // The pages closed since the last call, in the order sent.
    std::vector<PocsagPageEvent> takeEvents();

    const PocsagBitState& bitState() const { return bits_; }
    const PocsagWordState& wordState() const { return words_; }

private:
    // The phases of one block, in this order.
    // With the input filter: the mains hum out, the low-pass set for what is looked for.
    void conditionInput(std::uint64_t previousBlock);
    // With the input filter: bits by the symbol clock, from the plain or a restored signal.
    void sliceByClock();
    // While the first sync codeword is awaited: the restored signal that found it, if it
    // did so better than the plain one; -1 none.
    int restoredToReadFrom() const;
    // Reads the rest of the transmission from restored signal `k`.
    void readFromRestored(int k);
    // Every page closed so far becomes an event.
    void emitPages();
    // The carrier has gone: closes the open page, emits every page, starts hunting.
    void endTransmission();
    // Between transmissions the restored slicers start afresh.
    void resetRestored();

    const DecoderOptions& options_;
    BusyFlags& flags_;
    // The block being worked on; dither, hum canceller and filters work in place.
    SampleArray samples_{};
    std::vector<PocsagPageEvent> events_;
    DitherSource dither_;
    PocsagLowPass lowPass_;
    // In front of the low-pass while the input filter is on.
    HumCanceller humCanceller_;
    std::uint64_t lastBlock_ = 0;  // the channel's block count at the last call
    int blocksSinceKept_ = 0;
    int keepsSinceHumLooked_ = 0;
    bool subtractHum_ = false;  // the estimate holds hum, and is taken away
    // The canceller went back for a preamble that has not yet shown itself real.
    bool humUndoable_ = false;
    // The bit recovery of the improved path (with the input filter).
    PocsagSymbolSlicer slicer_;
    // Whether slicer_ is as new: between transmissions it is made new only once, not every
    // block (it holds several kilobytes).
    bool slicerFresh_ = true;
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
            if (path == PocsagAudioPath::AsHeard) slicer.learnChannel();
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
    // The same for the slicer that learns the channel: its sync codeword is the one it learnt from.
    void sliceLearning(Restored& r, bool acquiring);
    // Fewest wrong bits of the sync codeword (either polarity) over the plain slicer's new bits.
    int plainSyncErrors(int from);
    // Behind an edge steeper than the voice channel's, or of another make, the third learns
    // the channel from the sync codeword; it is the last resort, as it finds the sync
    // codeword only a codeword after the others would.
    std::array<Restored, 3> restored_{Restored(PocsagAudioPath::Loudspeaker), Restored(PocsagAudioPath::VoiceBand),
                                      Restored(PocsagAudioPath::AsHeard)};
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
    // The longest run of them since the last bit lost to silence: whether a preamble came
    // back after a drop-out, even where the sync codeword has begun since and ended the run.
    int alternatingSinceSilence_ = 0;
    double longestAlternating_ = 0;  // the longest such run since the hunt, in samples
    bool preambleSeen_ = false;
    bool restoring_ = false;  // the restored slicers run
    PocsagBitState bits_;
    PocsagWordState words_;
};

}  // namespace kub
