#pragma once
// One channel's ZVEI five-tone decoder (Module5 left, Module14 right). Classic, without
// filters: the signal's period is measured from zero crossings, averaged over short
// blocks, blocks whose frequency wanders are marked, and runs of steady blocks are cut
// into tones. With the input filter on, a bank of narrow filters gives the block values
// instead (zvei_tone_bank.h); the cutting into tones stays the same.
// Five tones make a code, which is looked up and handed to the window, log and exports.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "capture/decoder_inputs.h"
#include "core/reception_context.h"
#include "decoders/zvei/zvei_tone_bank.h"

namespace kub {

// What classifyTone gives for the repeat tone; the sequence puts the previous character there.
inline constexpr std::string_view kZveiRepeatTone = "R";

// The tone detector's state, all zero at start and kept for the whole run.
struct ZveiDetectorState {
    double dcLevel = 0;
    double prevSample = 0;
    double risingPhase = 0;
    double fallingPhase = 0;
    double instantFrequency = 0;
    std::array<double, 100> freqWindow{};
    std::array<double, 100> diffWindow{};
    std::int16_t windowIndex = 0;
    double meanFrequency = 0;
    double meanChange = 0;
    double prevFrequency = 0;
    std::int16_t blockPhase = 0;
    std::array<double, 256> blockRing{};
    std::int16_t blockWrite = 0;
    std::int16_t blockRead = 0;
    std::array<double, 10> tones{};
    std::int16_t toneCount = 0;
    std::int32_t stableRun = 0;
    std::int32_t unstableRun = 0;
};

// What the sequence handling remembers per channel.
struct ZveiSequenceState {
    std::string lastChar;   // at most one character
    std::string lastCode;
    double lastTime = 0;    // clock seconds of the last accepted code
};

class ZveiDecoder final : public ZveiBlockDecoder {
public:
    ZveiDecoder(ReceptionContext& context, ChannelFlags& flags, std::uint64_t ditherSeed = 0x5A5E1u);

    void processZveiBuffer() override;

    // Five collected tone frequencies to a code, and the code's reception handling.
    void decodeZveiSequence(const std::array<double, 5>& tones);

    // The tone table: a digit, a letter, "Gr", kZveiRepeatTone, or empty.
    static std::string_view classifyTone(double frequency);

    // The middle of the tone table row `frequency` falls in, so that a tone read a few
    // hertz apart block by block still gives equal blocks; 0 outside every row.
    static double toneRowMiddle(double frequency);

    const ZveiDetectorState& detector() const { return d_; }
    const ZveiSequenceState& sequence() const { return s_; }
    // The five frequencies of the last sequence handed to decodeZveiSequence.
    const std::array<double, 5>& lastTones() const { return lastTones_; }

private:
    double nextDither();
    // The block values from zero crossings, the classic way.
    void estimateByCrossings();
    // The block values from the tone bank (input filter on).
    void estimateByToneBank();
    void pushBlock(double value);
    void segmentTones();

    ReceptionContext& context_;
    ChannelFlags& flags_;
    ZveiDetectorState d_;
    ZveiSequenceState s_;
    std::array<double, 5> lastTones_{};
    std::uint64_t rng_;
    // In place of the zero crossings while the input filter is on: narrow filters over the
    // whole tone table, 795 Hz ("C") to 2825 Hz ("Gr").
    ZveiToneBank toneBank_;
    // The bank's last two block values, the older one not yet handed on.
    std::array<double, 2> bankHistory_{1.0, 1.0};
    // With the bank, a whole signal off frequency (a transmitter's tone generator, a sound
    // card's clock) puts tones outside the rows of the tone table. Such a block keeps a
    // value of its own, so that the tone is still cut out, and the frequency each block
    // measured is kept beside the ring; a sequence with such tones is read only when all
    // five are off by the same factor (offGridValue, readWithOffset).
    static double offGridValue(double hz);
    bool readWithOffset(std::array<double, 5>& tones) const;
    std::array<double, 2> rawHistory_{};
    std::array<double, 256> rawRing_{};
    std::array<double, 5> rawTones_{};
};

}  // namespace kub
