#pragma once
// Whether what the slicer heard backs a codeword the check accepted. The check alone
// accepts a quarter of all random words (every word within two bits of a codeword), so a
// codeword cut by a squelch drop-out or read from noise is often "corrected" into a valid
// one that was never sent. The sizes of the soft bits tell those apart: silence leaves bits
// near zero, and a real bit error sits on one of the weakest bits of the word, not on a
// bit the slicer was sure of.

#include <array>
#include <cstdint>

#include "decoders/pocsag/pocsag_bch.h"

namespace kub {

// Sizes of a codeword's soft bits, by bit position (31 first sent, 0 the parity bit).
using SoftSizes = std::array<float, 32>;

// A soft bit smaller than this carries next to no signal: a drop-out or a bit lost in noise.
constexpr float kErasedSoftSize = 0.3f;
// A bit the slicer heard at half the full level or more was no close call: a correction
// that flips it lands far from what was heard.
constexpr float kDoubtfulSize = 0.5f;
// A word whose soft bits are this large on average was heard clearly as a whole: the level
// of a clean signal through a little noise. Through hum, a voice channel's droop or a clock
// that slips, the bits come out at half to two thirds of it.
constexpr float kClearMeanSize = 0.8f;

// Bits of the word whose soft size is below kErasedSoftSize.
int erasedBits(const SoftSizes& sizes);

// True when the soft bits back the check's verdict on `received`: a word is never taken
// from a drop-out, and in a word with doubtful bits a corrected bit must have been among the
// weakest and doubtful. A word heard loud and clear in every bit keeps the code's two
// corrections; one heard loud but not clear only those on its weakest bits.
bool vouchedFor(std::uint32_t received, const CheckedCodeword& checked, const SoftSizes& sizes);

}  // namespace kub
