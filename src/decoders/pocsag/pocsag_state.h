#pragma once
// The long-lived state of one channel's POCSAG decoder: bit recovery, codeword layer
// and the reception being built. Plain data, zero at program start; the routines in
// pocsag_bits, pocsag_words and pocsag_reception work on it.

#include <array>
#include <cstdint>
#include <utility>
#include <string>
#include <vector>

namespace kub {

constexpr int kPocsagRingSize = 1024;
constexpr std::int8_t kUncorrectable = 3;

enum class PocsagPhase : std::int16_t {
    Hunting = 0,         // no transmission; looking for a preamble
    Preamble = 1,        // preamble recognised; looking for the first sync codeword
    BetweenBatches = 2,  // a batch is complete; looking for the next sync codeword
    InBatch = 3,         // collecting the 16 codewords of a batch
};

constexpr std::uint32_t kSyncCodeword = 0x7CD215D8u;
constexpr std::uint32_t kInvertedSyncCodeword = 0x832DEA27u;
constexpr std::uint32_t kIdleCodeword = 0x7A89C197u;

// Unread entries of a 1024-entry ring.
inline int ringFill(int read, int write) {
    return write - read + (read > write ? kPocsagRingSize : 0);
}

struct PocsagBitState {
    // Schmitt trigger with thresholds at half the peaks.
    int posPeak = 0;
    std::int32_t negPeak = 0;
    bool triggerHigh = false;
    double prevLevel = 0;
    double runPhase = 0;

    // Finished level runs in samples: positive high, negative low.
    std::array<double, kPocsagRingSize> runRing{};
    int runWrite = 0;

    // Bit-length tracker.
    int runRead = 0;
    double bitPeriod = 0;
    std::array<double, 5> runHistogram{};
    // The last 100 bit lengths, a ring: the newest at periodNext - 1. Shifting a whole
    // history on every run cost more than the tracker itself.
    std::array<double, 100> periodHistory{};
    int periodNext = 0;

    // Preamble and transmission.
    PocsagPhase pocsagState = PocsagPhase::Hunting;
    std::int32_t preambleBits = 0;
    double preambleSamples = 0;
    double samplesPerBit = 0;
    bool transmissionEnded = false;
    // The run after the one that ended the transmission: it and every later run belong to
    // whatever followed the carrier, and are kept out of the bit ring.
    int endRun = 0;

    // Slicer: soft bits ±1.0 confident, ±0.25 uncertain.
    int sliceRead = 0;
    std::array<double, kPocsagRingSize> bitRing{};
    int bitWrite = 0;
    int bitRead = 0;  // owned by the codeword layer
};

// One page: an address codeword with its function bits and the text of the message
// codewords that followed it (empty for a tone-only page).
struct PocsagPage {
    std::string ric;
    int function = 0;
    std::string text;
    // False when a codeword of its text could not be read for certain or the carrier cut
    // the text short: the text then holds the mark "…" for each gap.
    bool complete = true;
    // The same page as sent: address, function and text.
    bool operator==(const PocsagPage& o) const { return ric == o.ric && function == o.function && text == o.text; }
};

// Finished pages wait for the reception handling, which takes them after every buffer;
// one buffer finishes a few at most. The limit only guards against a caller that never
// takes them.
constexpr std::size_t kPocsagPendingPageLimit = 256;

struct PocsagWordState {
    std::uint32_t syncRegister = 0;  // newest bit lowest
    bool invertedPolarity = false;
    int bitInWord = 0;
    // Sizes of the last 32 soft bits shifted in (a ring, softAt the next slot): the
    // codeword just completed, or the sync codeword looked for.
    std::array<float, 32> softRing{};
    int softAt = 0;
    // The same bits near zero (below kErasedSoftSize), newest lowest, as the sync search
    // asks at every bit.
    std::uint32_t unheardBits = 0xFFFFFFFFu;

    std::array<std::uint32_t, 17> batchWords{};  // [0] sync, [1..16] the batch
    // With error correction: bits corrected in each codeword of the batch, or
    // kUncorrectable.
    std::array<std::int8_t, 17> batchWordErrors{};
    // With soft bits: the codeword lost two or more bits in a row to silence (a squelch
    // drop-out), so its damage says nothing about the batch's framing or the noise.
    std::array<bool, 17> batchWordSilenced{};
    // With soft bits: codewords whose blanked stretch was filled in (bit i for word i), and
    // each as heard, for when the word after it shows the bit clock did not hold.
    std::uint32_t batchWordFilled = 0;
    std::array<std::uint32_t, 17> batchWordsHeard{};
    bool correcting = false;  // the batch was collected with error correction
    int batchWordCount = 0;
    // With the batch-aware end: bits searched for the next sync codeword since the last
    // batch was complete.
    int bitsSinceBatch = 0;
    bool batchReady = false;
    int batchIndex = 0;

    bool messageMode = false;
    std::array<std::uint32_t, 64> messageWords{};
    // With error correction: bits corrected in each message codeword, or kUncorrectable
    // for one that could not be read for certain (its characters become a gap mark).
    std::array<std::int8_t, 64> messageWordErrors{};
    int messageWordCount = 0;
    bool addressSeen = false;
    int idleCount = 0;
    int syncCount = 0;

    // The page being gathered (open while its address has been taken and no idle,
    // address or end of transmission has closed it), and the pages finished since the
    // reception handling last took them, in the order sent.
    bool pageOpen = false;
    PocsagPage page;
    std::vector<PocsagPage> finishedPages;
};

}  // namespace kub
