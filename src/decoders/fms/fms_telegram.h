#pragma once
// Cutting one sliced bit string into the fields of an FMS telegram, and the small state
// machine of text transmissions, in which a first telegram announces follow-up telegrams
// that carry characters.

#include <cstdint>
#include <string>

namespace kub {

class FmsDemodulator;

// The bits as the slicer left them: decisions 0, 1 or 2 (undecidable), bit 0 first.
struct FmsBits {
    const std::uint8_t* telegramBits;
    const char* bitString;
    int count;
};

// What the last evaluation left for the reception handling, per channel. Only an
// evaluation changes it.
class FmsTelegramState {
public:
    // One evaluation. Returns true when the reception handling is due (the busy flag is
    // off afterwards). `fmsBusy` is the channel's flag, read and written here.
    bool evaluate(const FmsBits& bits, bool& fmsBusy);

    const std::string& kennung() const { return kennung_; }
    int status() const { return status_; }        // 0 to 15
    int tki() const { return tki_; }              // 0 to 3
    int direction() const { return direction_; }  // 0 vehicle to control room, 1 back
    const std::string& text() const { return text_; }  // UTF-8
    // Follow-up telegrams of the text transmission so far, and how many its first one
    // announced.
    int textTelegramCount() const { return textTelegramCount_; }
    int announcedTextCount() const { return announcedTextCount_; }
    // 1-based position of the first undecidable bit among the first 48, 0 if none.
    int undecidablePosition() const { return undecidablePosition_; }

private:
    void evaluateFirst(const FmsBits& bits, bool& fmsBusy);
    void evaluateFollowUp(const FmsBits& bits, bool& fmsBusy);
    // Appends a received character; codes below 32 are control codes, 4 ends the text.
    void takeCharacter(int code, bool& fmsBusy);

    std::string kennung_;
    int status_ = 0;
    int tki_ = 0;
    int direction_ = 0;
    std::string text_;
    int textTelegramCount_ = 0;
    int announcedTextCount_ = 0;
    int undecidablePosition_ = 0;
};

// Least significant bit first; an undecidable bit sets the next more significant bit.
int fieldValue(const FmsBits& bits, int first, int last);
// The value as "0".."9", "A".."F"; empty for 16 and above.
std::string hexDigit(const FmsBits& bits, int first, int last);

// A first telegram as sent over the air: bits 0..7 the block sync word, 8..47 the data,
// 48..54 the check bits of the generator x^7 + x^6 + x^2 + 1 over the data, 55 even
// parity over data and check bits. True only if all of it holds and no bit is
// undecidable. Detects only: with seven check bits a blind correction would take too
// many random words for telegrams.
bool fmsCheckBitsValid(const FmsBits& bits);

// The plausibility rules every reception passes before it is shown: an eight-character
// Kennung that is not mostly zeros, no undecidable bit, no "0000" or "FFFF" in front.
bool fmsReceptionPlausible(const std::string& kennung, int undecidablePosition);
inline bool fmsReceptionPlausible(const FmsTelegramState& state) {
    return fmsReceptionPlausible(state.kennung(), state.undecidablePosition());
}

}  // namespace kub
