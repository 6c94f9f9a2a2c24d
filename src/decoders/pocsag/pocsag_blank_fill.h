#pragma once
// A codeword that a squelch drop-out blanked in one stretch of bits and that was heard
// loud and clear everywhere else. The code is cyclic with ten check bits, so no two
// codewords differ only within ten bits in a row: the blanked bits follow from the heard
// ones, and the check bits the stretch leaves over check them. At 512 bit/s a drop-out of
// 12 ms blanks six or seven bits, which the check's two corrections cannot mend.

#include <cstdint>
#include <optional>

#include "decoders/pocsag/pocsag_vouch.h"

namespace kub {

// The codeword `received` is, its blanked bits filled in; none when its unsure bits (soft
// size below half the full level) are no single stretch of 2 to 7 bits with at least two
// near zero, when a heard bit is unsure or the heard bits are not clear as a whole, or when
// no filling (or more than one) makes a codeword.
std::optional<std::uint32_t> fillBlankedStretch(std::uint32_t received, const SoftSizes& sizes);

}  // namespace kub
