#pragma once
// One channel's ZVEI five-tone decoder. Classic, without filters: the signal's period is
// measured from zero crossings, averaged over short blocks, blocks whose frequency wanders
// are marked, and runs of steady blocks are cut into tones. With the input filter on, a
// bank of narrow filters gives the block values instead (zvei_tone_bank.h); the cutting
// into tones stays the same.
// Five tones make a code, which comes out as an event; the repeat rule, names and rows
// are the reception handling's.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/decoder_options.h"
#include "common/sample_block.h"
#include "decoders/busy_flags.h"
#include "decoders/decoder_events.h"
#include "decoders/dither_source.h"
#include "decoders/zvei/zvei_tone_bank.h"

namespace kub {

// What classifyTone gives for the repeat tone; the sequence puts the previous character there.
inline constexpr std::string_view kZveiRepeatTone = "R";

class ZveiDecoder final {
public:
    static constexpr std::uint64_t kDitherSeed = 0x5A5E1u;
    static constexpr int kTonesPerCode = 5;
    using Tones = std::array<double, kTonesPerCode>;

    ZveiDecoder(const DecoderOptions& options, BusyFlags& flags, std::uint64_t ditherSeed = kDitherSeed);

    // One block of the channel.
    void process(const SampleArray& samples);
    // The codes read since the last call, oldest first.
    std::vector<ZveiCodeEvent> takeEvents();

    // Five collected tone frequencies to a code: the repeat tone takes the character before
    // it (of this or the previous sequence), and only five characters make a code.
    void readSequence(const Tones& tones);

    // The tone table: a digit, a letter, "Gr", kZveiRepeatTone, or empty.
    static std::string_view classifyTone(double frequency);

    // The middle of the tone table row `frequency` falls in, so that a tone read a few
    // hertz apart block by block still gives equal blocks; 0 outside every row.
    static double toneRowMiddle(double frequency);

    // Tones of the sequence under way collected so far, 0 to 4 (a fifth makes the code).
    int collectedTones() const { return d_.toneCount; }
    // The last character read, which a repeat tone at the start of the next sequence takes.
    const std::string& lastCharacter() const { return lastChar_; }
    // The five frequencies of the last sequence handed to readSequence.
    const Tones& lastTones() const { return lastTones_; }

private:
    static constexpr int kWindow = 100;    // samples averaged per block value
    static constexpr int kRingSize = 256;  // block values kept
    // The value of a block that holds no steady tone.
    static constexpr double kUnsteadyBlock = 1.0;

    // The tone detector's state, all zero at start and kept for the whole run.
    struct Detector {
        double dcLevel = 0;
        double prevSample = 0;
        double risingPhase = 0;
        double fallingPhase = 0;
        double instantFrequency = 0;
        std::array<double, kWindow> freqWindow{};
        std::array<double, kWindow> diffWindow{};
        int windowIndex = 0;
        double meanFrequency = 0;
        double meanChange = 0;
        double prevFrequency = 0;
        int blockPhase = 0;  // samples into the current block
        std::array<double, kRingSize> blockRing{};
        int blockWrite = 0;
        int blockRead = 0;
        Tones tones{};
        int toneCount = 0;   // tones of the sequence collected so far, 0 to 5
        int stableRun = 0;   // steady block pairs in a row
        int unstableRun = 0; // unsteady block pairs in a row
    };

    // The block values from zero crossings, the classic way.
    void estimateByCrossings(const SampleArray& samples);
    // The block values from the tone bank (input filter on).
    void estimateByToneBank(const SampleArray& samples);
    static int ringIndex(int position);
    void pushBlock(double value);
    void segmentTones();

    const DecoderOptions& options_;
    BusyFlags& flags_;
    Detector d_;
    std::string lastChar_;  // at most one character
    Tones lastTones_{};
    DitherSource dither_;
    std::vector<ZveiCodeEvent> events_;
    // In place of the zero crossings while the input filter is on: narrow filters over the
    // whole tone table, 795 Hz ("C") to 2825 Hz ("Gr").
    ZveiToneBank toneBank_;
    // The bank's last two block values, the older one not yet handed on.
    std::array<double, 2> bankHistory_{kUnsteadyBlock, kUnsteadyBlock};
    // With the bank, a whole signal off frequency (a transmitter's tone generator, a sound
    // card's clock) puts tones outside the rows of the tone table. Such a block keeps a
    // value of its own, so that the tone is still cut out, and the frequency each block
    // measured is kept beside the ring; a sequence with such tones is read only when all
    // five are off by the same factor (offGridValue, readWithOffset).
    static double offGridValue(double hz);
    bool readWithOffset(Tones& tones) const;
    void restartOnRepeatedTone();
    std::array<double, 2> rawHistory_{};
    std::array<double, kRingSize> rawRing_{};
    Tones rawTones_{};
    // With the bank, the fifth tone's block three blocks after its start, and its measured
    // frequency: a tone running straight into an alarm tone a few hertz above it stays
    // one steady run, and a look-back from its end would read the alarm tone.
    double fifthStart_ = 0;
    double rawFifthStart_ = 0;
    // Per tone taken, the blocks just before and just after its run. A tone drifting on its
    // way in, as a telephone codec's first frames bend it, can sit on a letter's row for a
    // whole run, with the digit next to it read at the run's edge (letterAtDigitsEdge).
    static bool letterAtDigitsEdge(double tone, double neighbour);
    bool certainLetters(const Tones& tones) const;
    Tones edgeBefore_{};
    Tones edgeAfter_{};
};

}  // namespace kub
