#include "decoders/pocsag/pocsag_blank_fill.h"

#include <bit>

#include "decoders/pocsag/pocsag_bch.h"

namespace kub {

namespace {

// At most this many blanked bits: eleven check bits (ten and the parity) less seven leave
// four to check the filling, so a wrong bit among the heard ones (a loud bit wrong, which
// noise hardly makes) gets through once in sixteen times. A 12 ms drop-out at 512 bit/s
// leaves four to seven unsure bits.
constexpr int kMostBlanked = 7;
// Two bits near zero in the stretch: a drop-out's, not one weak bit of noise.
constexpr int kLeastSilent = 2;

}  // namespace

std::optional<std::uint32_t> fillBlankedStretch(std::uint32_t received, const SoftSizes& sizes) {
    std::uint32_t unsure = 0;
    int silent = 0;
    float heardSum = 0;
    for (int bit = 0; bit < 32; ++bit) {
        const float size = sizes[static_cast<std::size_t>(bit)];
        // A doubtful bit is unsure and counts to the stretch; every heard bit lies above it.
        if (size < kDoubtfulSize) {
            unsure |= 1u << bit;
            silent += size < kErasedSoftSize ? 1 : 0;
        } else {
            heardSum += size;
        }
    }
    const int blanked = std::popcount(unsure);
    if (blanked < kLeastSilent || blanked > kMostBlanked || silent < kLeastSilent) return std::nullopt;
    // One stretch: from the oldest unsure bit to the newest, every bit unsure.
    if (32 - std::countl_zero(unsure) - std::countr_zero(unsure) != blanked) return std::nullopt;
    if (heardSum < kClearMeanSize * static_cast<float>(32 - blanked)) return std::nullopt;

    const int low = std::countr_zero(unsure);
    std::optional<std::uint32_t> found;
    for (std::uint32_t fill = 0; fill < (1u << blanked); ++fill) {
        const std::uint32_t candidate = (received & ~unsure) | (fill << low);
        if (correctCodeword(candidate).check != CodewordCheck::Clean) continue;
        if (found) return std::nullopt;  // cannot happen for a stretch this short; never guess
        found = candidate;
    }
    return found;
}

}  // namespace kub
