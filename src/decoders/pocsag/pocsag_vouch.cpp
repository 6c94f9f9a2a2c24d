#include "decoders/pocsag/pocsag_vouch.h"

#include <algorithm>

namespace kub {

namespace {

// Bits near zero that make a word a drop-out's: one or two happen at a bit edge in noise,
// a drop-out of 10 ms blanks five bits even at 512 bit/s.
constexpr int kDropOutBits = 4;
// A bit the slicer heard at half the full level or more was no close call: a correction
// that flips it lands far from what was heard.
constexpr float kDoubtfulSize = 0.5f;

}  // namespace

int erasedBits(const SoftSizes& sizes) {
    return static_cast<int>(std::count_if(sizes.begin(), sizes.end(), [](float s) { return s < kErasedSoftSize; }));
}

bool vouchedFor(std::uint32_t received, const CheckedCodeword& checked, const SoftSizes& sizes) {
    if (checked.check == CodewordCheck::Failed) return false;
    if (erasedBits(sizes) >= kDropOutBits) return false;
    const std::uint32_t flips = received ^ checked.word;
    if (flips == 0) return true;
    // A word heard loud in every bit had its errors put in on the air (a collision, a
    // transmitter's fault), not by noise: the code's own two bits are corrected.
    if (std::all_of(sizes.begin(), sizes.end(), [](float s) { return s >= kDoubtfulSize; })) return true;
    // In a word with doubtful bits, noise made the errors: each flipped bit must be doubtful
    // and among the weakest few of the word (with two flips, among the four weakest; with
    // one, among the three weakest).
    SoftSizes sorted = sizes;
    const auto rank = static_cast<std::size_t>(checked.flipped + 1);
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(rank), sorted.end());
    const float limit = std::min(sorted[rank], kDoubtfulSize);
    for (int bit = 0; bit < 32; ++bit) {
        if (((flips >> bit) & 1u) != 0 && sizes[static_cast<std::size_t>(bit)] > limit) return false;
    }
    return true;
}

}  // namespace kub
