#include "decoders/pocsag/pocsag_vouch.h"

#include <algorithm>

namespace kub {

namespace {

// Bits near zero that make a word a drop-out's: one or two happen at a bit edge in noise,
// a drop-out of 10 ms blanks five bits even at 512 bit/s.
constexpr int kDropOutBits = 4;

float meanSize(const SoftSizes& sizes) {
    float sum = 0;
    for (const float s : sizes) sum += s;
    return sum / static_cast<float>(sizes.size());
}

// Whether every flipped bit is among the `rank` + 1 weakest of the word and no louder than
// `loudest`.
bool flipsAmongWeakest(std::uint32_t flips, const SoftSizes& sizes, std::size_t rank, float loudest) {
    SoftSizes sorted = sizes;
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(rank), sorted.end());
    const float limit = std::min(sorted[rank], loudest);
    for (int bit = 0; bit < 32; ++bit) {
        if (((flips >> bit) & 1u) != 0 && sizes[static_cast<std::size_t>(bit)] > limit) return false;
    }
    return true;
}

}  // namespace

int erasedBits(const SoftSizes& sizes) {
    return static_cast<int>(std::count_if(sizes.begin(), sizes.end(), [](float s) { return s < kErasedSoftSize; }));
}

bool vouchedFor(std::uint32_t received, const CheckedCodeword& checked, const SoftSizes& sizes) {
    if (checked.check == CodewordCheck::Failed) return false;
    if (erasedBits(sizes) >= kDropOutBits) return false;
    const std::uint32_t flips = received ^ checked.word;
    if (flips == 0) return true;
    const bool allLoud = std::all_of(sizes.begin(), sizes.end(), [](float s) { return s >= kDoubtfulSize; });
    // A word heard loud and clear in every bit had its errors put in on the air (a
    // collision, a transmitter's fault), not by noise: the code's corrections stand.
    if (allLoud && meanSize(sizes) >= kClearMeanSize) return true;
    // Otherwise noise made the errors (through hum, a voice channel's droop or a slipping
    // clock a word comes out loud in every bit but not clear), and noise makes them on the
    // weakest bits: each flipped bit must be among the weakest few of the word (with two
    // flips, among the four weakest; with one, among the three weakest), and doubtful
    // where the word has doubtful bits. A word with more wrong bits than the code mends is
    // "corrected" by flipping bits that were heard right, and louder.
    return flipsAmongWeakest(flips, sizes, static_cast<std::size_t>(checked.flipped + 1),
                             allLoud ? 1.0f : kDoubtfulSize);
}

}  // namespace kub
