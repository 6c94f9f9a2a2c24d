#pragma once
// How well a candidate FMS telegram explains the audio it was read from. The tones of its
// bits are laid out phase-continuously at the bit clock found, and the audio is fitted to
// them, each tone with its own gain and phase (a receiver's filters treat 1200 and
// 1800 Hz differently), together with an echo of the same tones at the delay that fits
// best. The telegram sent leaves only the noise unexplained. A telegram that passed its
// check bits by chance differs from it in a few bits: a 0 for a 1 is half a period more,
// so from each such bit to the next its tones run in opposite phase to the audio, a
// misfit no gain or echo can take away.
// The noise is measured beside the preamble's steady 1200 Hz tone, which an echo only
// shifts in phase.

#include <cstddef>
#include <cstdint>

#include "common/band_pass_filter.h"

namespace kub {

// The fit's verdict: the share of the audio's power behind the sync word that the
// telegram's tones leave unexplained beyond the noise. Near 0 for the telegram sent (noise,
// an echo or a codec leave below 0.1); 0.17 to 0.9 for telegrams that passed their check
// bits by chance. `audio` holds `count` samples; `start` is where the first sync bit
// begins in them, after kFmsFitLeadBits bits of the preamble; `bits` are the telegram's
// `n` bits, sync word first; `shape`, if given, is the filter the audio came through,
// and the tones go through it too. 0 (nothing against the telegram) if the audio does not
// hold the telegram and that much of its preamble.
double fmsToneMisfit(const double* audio, std::size_t count, double start, const std::uint8_t* bits, int n,
                     const BandPassFilter* shape);

// The preamble bits in front of the sync word the fit takes in; the noise is measured
// over them. An echo up to six bits late lies over them with the preamble's own tone.
constexpr int kFmsFitLeadBits = 8;

}  // namespace kub
