#pragma once
// Undoes what a known audio path in front of the sound card did to the low frequencies of
// a POCSAG signal. The data arrive as a level that stays put for a run of equal bits; a path
// that cuts the low frequencies lets such a run sag towards zero, and once the sums over its
// bits lose their sign, no slicer reads them. The path's poles are cancelled and replaced by
// poles far lower down: the noise that came through the path with the signal is restored
// with it, so the signal to noise ratio stays as it was. Only the noise added after the path
// (the sound card's own, the dither) is lifted, and the new poles are kept high enough that
// it stays far below the signal.

#include <array>

#include "common/sample_block.h"

namespace kub {

enum class PocsagAudioPath {
    // A receiver's loudspeaker output: de-emphasised (a first-order low-pass at 300 Hz) and
    // AC-coupled (a first-order high-pass at 300 Hz).
    Loudspeaker,
    // A telephone-grade voice channel: a fourth-order Butterworth high-pass at 300 Hz.
    VoiceBand,
    // An edge of unknown make: nothing is undone here, the slicer learns the channel.
    AsHeard,
};

class PocsagPathRestorer {
public:
    // Where the voice channel's high-pass edge is moved to. Lower, the sound card's own
    // noise and the dither would be lifted above the signal; what this corner still takes
    // is rebuilt from the decided bits (see PocsagBaseline).
    static constexpr double kVoiceBandRestoredHz = 60.0;

    explicit PocsagPathRestorer(PocsagAudioPath path);

    // Writes the block with the path undone to `out`; the state runs on over the blocks.
    void process(const SampleArray& in, SampleArray& out);
    // Starts afresh, for the next transmission, as if the signal had come through unchanged
    // so far and its last two samples were `older` and `last`. Started from rest, the jump to
    // the first sample would be lifted as a step, and its slow swing would swamp the bits.
    void restart(double older, double last);
    // Whether the swing of the start has died away (the voice channel's restorer lifts it
    // a few hundredfold, and a slicer started on it would take its levels from it).
    bool settled() const { return sinceRestart_ >= settleSamples_; }

private:
    struct Section {
        // y = g (x + n1 x' + n2 x'') - d1 y' - d2 y''
        double g = 1, n1 = 0, n2 = 0, d1 = 0, d2 = 0;
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    };
    PocsagAudioPath path_;
    std::array<Section, 2> sections_{};
    // The loudspeaker's coupling, undone by a slowly leaking integrator.
    double couplingIn_ = 0;
    double couplingOut_ = 0;
    long sinceRestart_ = 0;
    long settleSamples_ = 0;
};

}  // namespace kub
