#include "decoders/pocsag/pocsag_bch.h"

#include <array>
#include <bit>

namespace kub {

namespace {

// Generator polynomial x^10+x^9+x^8+x^6+x^5+x^3+1.
constexpr std::uint32_t kGenerator = 0x769u;

// Remainder of the 31-bit code word (the codeword without its parity bit) divided by
// the generator: zero for a valid code word, otherwise it depends only on the error.
constexpr std::uint32_t syndromeOf(std::uint32_t word) {
    std::uint32_t rem = word >> 1;
    for (int bit = 30; bit >= 10; --bit) {
        if (rem & (1u << bit)) rem ^= kGenerator << (bit - 10);
    }
    return rem & 0x3FFu;
}

// For every syndrome the one- or two-bit error among the 31 code bits that causes it
// (as a mask in codeword positions), or 0 when no such error does.
struct ErrorTable {
    std::array<std::uint32_t, 1024> mask{};
};

constexpr ErrorTable buildTable() {
    ErrorTable t;
    for (int i = 1; i < 32; ++i) {
        const std::uint32_t one = 1u << i;
        t.mask[syndromeOf(one)] = one;
        for (int j = i + 1; j < 32; ++j) {
            const std::uint32_t two = one | (1u << j);
            t.mask[syndromeOf(two)] = two;
        }
    }
    return t;
}

constexpr ErrorTable kErrors = buildTable();

}  // namespace

int bitDistance(std::uint32_t a, std::uint32_t b) { return std::popcount(a ^ b); }

CheckedCodeword correctCodeword(std::uint32_t word) {
    const std::uint32_t syndrome = syndromeOf(word);
    const bool parityOk = (std::popcount(word) & 1) == 0;
    if (syndrome == 0) {
        // A wrong parity bit alone is a single error.
        return parityOk ? CheckedCodeword{word, CodewordCheck::Clean, 0}
                        : CheckedCodeword{word ^ 1u, CodewordCheck::Corrected, 1};
    }
    const std::uint32_t mask = kErrors.mask[syndrome];
    if (mask == 0) return {word, CodewordCheck::Failed, 0};
    std::uint32_t fixed = word ^ mask;
    int flipped = std::popcount(mask);
    if ((std::popcount(fixed) & 1) != 0) {
        // One code bit and the parity bit wrong is still two errors; two code bits and
        // a parity that does not fit is a third error.
        if (flipped == 2) return {word, CodewordCheck::Failed, 0};
        fixed ^= 1u;
        ++flipped;
    }
    return {fixed, CodewordCheck::Corrected, flipped};
}

}  // namespace kub
