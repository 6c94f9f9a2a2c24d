#pragma once
// Check of a received POCSAG codeword against its BCH(31,21) check bits and even parity,
// with correction of up to two bit errors. With the parity bit the code's distance is 6:
// two errors are corrected and every three-bit error is still detected, so a codeword
// damaged in three bits is refused rather than turned into a different valid one.

#include <cstdint>

namespace kub {

enum class CodewordCheck : std::uint8_t {
    Clean,      // check bits and parity agree
    Corrected,  // one or two bits were flipped back
    Failed,     // more than two bits wrong; the codeword is left as received
};

struct CheckedCodeword {
    std::uint32_t word;
    CodewordCheck check;
    int flipped = 0;  // bits corrected
};

// Bit 31 is the first bit sent; bits 10..1 carry the check bits, bit 0 the parity.
CheckedCodeword correctCodeword(std::uint32_t word);

// Number of bits in which two codewords differ.
int bitDistance(std::uint32_t a, std::uint32_t b);

}  // namespace kub
