#include "decoders/fms/fms_telegram.h"

#include <algorithm>

#include "common/cp1252_text.h"

namespace kub {

namespace {

// Where the fields lie in a first telegram (bit 0 the first of the sync word).
constexpr int kSyncBits = 8;
constexpr int kDataBits = 48;
constexpr int kKennungFirst = kSyncBits;
constexpr int kKennungDecimalFirst = 24;
constexpr int kDigitBits = 4;
// Behind the data: seven check bits, then the parity bit.
constexpr int kCheckBits = 7;
constexpr int kParityBit = kDataBits + kCheckBits;
constexpr int kFirstTelegramBits = kParityBit + 1;
// The check bits' generator x^7 + x^6 + x^2 + 1 as a feedback mask below the x^7 term.
constexpr unsigned kCheckGenerator = 0x45u;
constexpr unsigned kCheckMask = 0x7Fu;
constexpr std::uint8_t kSyncWord[kSyncBits] = {0, 0, 0, 1, 1, 0, 1, 0};
constexpr int kStatusFirst = 40, kStatusLast = 43;
constexpr int kDirectionBit = 45;
constexpr int kTkiFirst = 46, kTkiLast = 47;
// Status 10 sent by the control room (direction 1) announces a text in follow-up telegrams.
constexpr int kTextStatus = 10;
// In a follow-up telegram: the count of telegrams (first one only), the characters of
// seven bits each, eight apart, and the mark of the last telegram.
constexpr int kCountFirst = 1, kCountLast = 7;
constexpr int kMarkFirst = 32, kMarkLast = 35;
constexpr int kLastTelegramMark = 11;
constexpr int kCharacterBits = 7;
constexpr int kCharacterSpacing = 8;
constexpr int kFirstCharacterOfFirst = 8;  // the count comes first in the first one
constexpr int kLastCharacter = 24;
// The control code that ends a text; codes below 32 are not shown.
constexpr int kEndOfText = 4;
constexpr int kFirstShownCode = 32;
// A text is never longer than this many follow-up telegrams, whatever was announced.
constexpr int kMaxTextTelegrams = 25;

std::uint8_t bitAt(const FmsBits& bits, int k) {
    return k >= 0 && k < bits.count ? bits.telegramBits[k] : std::uint8_t{0};
}

// 1-based position of the first undecidable bit among the first 48, 0 if none.
int firstUndecidable(const FmsBits& bits) {
    const int n = std::min(kDataBits, bits.count);
    for (int i = 0; i < n; ++i)
        if (bits.bitString[i] == '2') return i + 1;
    return 0;
}

}  // namespace

int fieldValue(const FmsBits& bits, int first, int last) {
    int v = 0;
    for (int k = last; k >= first; --k) v = (v * 2) | bitAt(bits, k);
    return v;
}

std::string hexDigit(const FmsBits& bits, int first, int last) {
    const int v = fieldValue(bits, first, last);
    if (v < 0 || v > 15) return {};
    return std::string(1, "0123456789ABCDEF"[v]);
}

void FmsTelegramState::takeCharacter(int code, bool& fmsBusy) {
    if (code >= kFirstShownCode) {
        const char byte = static_cast<char>(code & 0xFF);
        text_ += cp1252ToUtf8(std::string_view(&byte, 1));
    }
    if (code == kEndOfText) fmsBusy = false;
}

void FmsTelegramState::evaluateFirst(const FmsBits& bits, bool& fmsBusy) {
    if (fieldValue(bits, kStatusFirst, kStatusLast) == kTextStatus &&
        fieldValue(bits, kDirectionBit, kDirectionBit) == 1)
        fmsBusy = true;
    text_.clear();
    textTelegramCount_ = 0;
    announcedTextCount_ = 0;
    // Four hex digits (country, BOS, state, district), then four decimal ones (place and
    // vehicle), each four bits wide.
    std::string kennung;
    for (int d = kKennungFirst; d < kKennungDecimalFirst; d += kDigitBits) kennung += hexDigit(bits, d, d + kDigitBits - 1);
    for (int d = kKennungDecimalFirst; d < kStatusFirst; d += kDigitBits)
        kennung += std::to_string(fieldValue(bits, d, d + kDigitBits - 1));
    kennung_ = kennung;
    tki_ = fieldValue(bits, kTkiFirst, kTkiLast);
    status_ = fieldValue(bits, kStatusFirst, kStatusLast);
    direction_ = fieldValue(bits, kDirectionBit, kDirectionBit);
    undecidablePosition_ = firstUndecidable(bits);
    // A broken announcement does not start a text transmission.
    if (undecidablePosition_ != 0) fmsBusy = false;
}

void FmsTelegramState::evaluateFollowUp(const FmsBits& bits, bool& fmsBusy) {
    ++textTelegramCount_;
    if (textTelegramCount_ == 1) {
        announcedTextCount_ = fieldValue(bits, kCountFirst, kCountLast);
        for (int c = kFirstCharacterOfFirst; c <= kLastCharacter; c += kCharacterSpacing)
            takeCharacter(fieldValue(bits, c, c + kCharacterBits - 1), fmsBusy);
        if (fieldValue(bits, kMarkFirst, kMarkLast) == kLastTelegramMark) fmsBusy = false;
        return;
    }
    if (firstUndecidable(bits) != 0) {
        text_ += "---";
    } else {
        if (fieldValue(bits, kMarkFirst, kMarkLast) == kLastTelegramMark) fmsBusy = false;
        for (int c = 0; c <= kLastCharacter; c += kCharacterSpacing)
            takeCharacter(fieldValue(bits, c, c + kCharacterBits - 1), fmsBusy);
    }
    if (textTelegramCount_ > announcedTextCount_ || textTelegramCount_ > kMaxTextTelegrams) fmsBusy = false;
}

bool FmsTelegramState::evaluate(const FmsBits& bits, bool& fmsBusy) {
    undecidablePosition_ = 0;
    if (!fmsBusy) evaluateFirst(bits, fmsBusy);
    else evaluateFollowUp(bits, fmsBusy);
    return !fmsBusy;
}

bool fmsCheckBitsValid(const FmsBits& bits) {
    if (bits.count < kFirstTelegramBits) return false;
    for (int i = 0; i < kSyncBits; ++i)
        if (bits.telegramBits[i] != kSyncWord[i]) return false;
    unsigned reg = 0;
    unsigned ones = 0;
    for (int i = kSyncBits; i < kDataBits; ++i) {
        const unsigned b = bits.telegramBits[i];
        if (b > 1) return false;
        ones += b;
        const unsigned feedback = ((reg >> (kCheckBits - 1)) & 1u) ^ b;
        reg = (reg << 1) & kCheckMask;
        if (feedback) reg ^= kCheckGenerator;
    }
    for (int k = 0; k < kCheckBits; ++k) {
        const unsigned b = bits.telegramBits[kDataBits + k];
        if (b != ((reg >> (kCheckBits - 1 - k)) & 1u)) return false;
        ones += b;
    }
    const unsigned parity = bits.telegramBits[kParityBit];
    if (parity > 1) return false;
    return ((ones + parity) & 1u) == 0;
}

bool fmsReceptionPlausible(const std::string& k, int undecidablePosition) {
    // A Kennung of mostly zeros is what noise after a lucky sync word looks like.
    constexpr std::size_t kKennungLength = 8;
    constexpr std::ptrdiff_t kMostlyZeros = 6;
    constexpr std::size_t kFront = 4;
    if (k.size() != kKennungLength) return false;
    if (std::count(k.begin(), k.end(), '0') >= kMostlyZeros) return false;
    if (undecidablePosition != 0) return false;
    if (k.compare(0, kFront, "0000") == 0 || k.compare(0, kFront, "FFFF") == 0) return false;
    return true;
}

}  // namespace kub
