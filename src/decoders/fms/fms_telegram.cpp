#include "decoders/fms/fms_telegram.h"

#include <algorithm>

#include "common/cp1252_text.h"

namespace kub {

namespace {

// Where the fields lie in a first telegram (bit 0 the first of the sync word).
constexpr int kDataBits = 48;
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

// Appends a received character; codes below 32 are control codes, 4 ends the text.
void takeCharacter(int code, FmsTelegramState& state, bool& busy) {
    if (code >= kFirstShownCode) {
        const char byte = static_cast<char>(code & 0xFF);
        state.textBuffer += cp1252ToUtf8(std::string_view(&byte, 1));
    }
    if (code == kEndOfText) busy = false;
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

bool evaluateFmsTelegram(const FmsBits& bits, FmsTelegramState& state, bool& fmsBusy) {
    state.undecidablePosition = 0;
    if (!fmsBusy) {
        if (fieldValue(bits, kStatusFirst, kStatusLast) == kTextStatus &&
            fieldValue(bits, kDirectionBit, kDirectionBit) == 1)
            fmsBusy = true;
        state.textBuffer.clear();
        state.textTelegramCount = 0;
        state.announcedTextCount = 0;
        std::string kennung = hexDigit(bits, 8, 11) + hexDigit(bits, 12, 15) + hexDigit(bits, 16, 19) +
                              hexDigit(bits, 20, 23);
        for (int d = 24; d < 40; d += 4) kennung += std::to_string(fieldValue(bits, d, d + 3));
        state.lastKennung = kennung;
        state.lastTki = fieldValue(bits, kTkiFirst, kTkiLast);
        state.lastStatus = fieldValue(bits, kStatusFirst, kStatusLast);
        state.lastDirection = fieldValue(bits, kDirectionBit, kDirectionBit);
        state.undecidablePosition = firstUndecidable(bits);
        // A broken announcement does not start a text transmission.
        if (state.undecidablePosition != 0) fmsBusy = false;
    } else {
        ++state.textTelegramCount;
        if (state.textTelegramCount == 1) {
            state.announcedTextCount = fieldValue(bits, kCountFirst, kCountLast);
            for (int c = 8; c <= 24; c += 8)
                takeCharacter(fieldValue(bits, c, c + kCharacterBits - 1), state, fmsBusy);
            if (fieldValue(bits, kMarkFirst, kMarkLast) == kLastTelegramMark) fmsBusy = false;
        } else {
            if (firstUndecidable(bits) != 0) {
                state.textBuffer += "---";
            } else {
                if (fieldValue(bits, kMarkFirst, kMarkLast) == kLastTelegramMark) fmsBusy = false;
                for (int c = 0; c <= 24; c += 8)
                    takeCharacter(fieldValue(bits, c, c + kCharacterBits - 1), state, fmsBusy);
            }
            if (state.textTelegramCount > state.announcedTextCount || state.textTelegramCount > kMaxTextTelegrams)
                fmsBusy = false;
        }
    }
    return !fmsBusy;
}

bool fmsCheckBitsValid(const FmsBits& bits) {
    if (bits.count < 56) return false;
    constexpr std::uint8_t kSync[8] = {0, 0, 0, 1, 1, 0, 1, 0};
    for (int i = 0; i < 8; ++i)
        if (bits.telegramBits[i] != kSync[i]) return false;
    unsigned reg = 0;
    unsigned ones = 0;
    for (int i = 8; i < 48; ++i) {
        const unsigned b = bits.telegramBits[i];
        if (b > 1) return false;
        ones += b;
        const unsigned feedback = ((reg >> 6) & 1u) ^ b;
        reg = (reg << 1) & 0x7Fu;
        if (feedback) reg ^= 0x45u;
    }
    for (int k = 0; k < 7; ++k) {
        const unsigned b = bits.telegramBits[48 + k];
        if (b != ((reg >> (6 - k)) & 1u)) return false;
        ones += b;
    }
    const unsigned parity = bits.telegramBits[55];
    if (parity > 1) return false;
    return ((ones + parity) & 1u) == 0;
}

bool fmsReceptionPlausible(const std::string& k, int undecidablePosition) {
    if (k.size() != 8) return false;
    if (std::count(k.begin(), k.end(), '0') >= 6) return false;
    if (undecidablePosition != 0) return false;
    if (k.compare(0, 4, "0000") == 0 || k.compare(0, 4, "FFFF") == 0) return false;
    return true;
}

}  // namespace kub
