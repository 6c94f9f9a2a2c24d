#include "common/cipher_text.h"

#include <algorithm>
#include <cstring>

namespace kub {

namespace {

constexpr int kShortestJudged = 10;

enum class Kind { Lower, Upper, Digit, Space, Punct, Umlaut, Odd };

// The punctuation of ordinary alarm texts: abbreviations, addresses, phone numbers.
bool ordinaryPunct(unsigned char c) { return c != 0 && c < 0x80 && std::strchr(".,-/:;()!?'\"+&#*", c) != nullptr; }

// One character starting at text[i] (UTF-8: äöüÄÖÜß are letters of their own; any other
// multibyte character or broken byte is odd); `size` gets its length in bytes.
Kind kindAt(std::string_view text, std::size_t i, std::size_t& size) {
    const auto c = static_cast<unsigned char>(text[i]);
    size = 1;
    if (c >= 'a' && c <= 'z') return Kind::Lower;
    if (c >= 'A' && c <= 'Z') return Kind::Upper;
    if (c >= '0' && c <= '9') return Kind::Digit;
    if (c == ' ') return Kind::Space;
    if (ordinaryPunct(c)) return Kind::Punct;
    if (c == 0xC3 && i + 1 < text.size()) {
        const auto d = static_cast<unsigned char>(text[i + 1]);
        if (d == 0x84 || d == 0x96 || d == 0x9C || d == 0xA4 || d == 0xB6 || d == 0xBC || d == 0x9F) {
            size = 2;
            return Kind::Umlaut;
        }
    }
    if (c >= 0xC0) {
        while (i + size < text.size() && (static_cast<unsigned char>(text[i + size]) & 0xC0) == 0x80) ++size;
    }
    return Kind::Odd;
}

bool isLetter(Kind k) { return k == Kind::Lower || k == Kind::Upper || k == Kind::Umlaut; }

}  // namespace

bool looksEncrypted(std::string_view text) {
    int count = 0, spaces = 0, odd = 0, umlauts = 0, caseFlips = 0, mixes = 0, oddRun = 0, longestOddRun = 0;
    Kind previous = Kind::Space;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t size = 1;
        const Kind k = kindAt(text, i, size);
        i += size;
        ++count;
        spaces += k == Kind::Space;
        umlauts += k == Kind::Umlaut;
        odd += k == Kind::Odd;
        oddRun = k == Kind::Odd ? oddRun + 1 : 0;
        longestOddRun = std::max(longestOddRun, oddRun);
        // "wOrT": a capital after a small letter inside a word. Plain text has it in a
        // few abbreviations ("RettD"); random characters in every other word.
        caseFlips += previous == Kind::Lower && k == Kind::Upper;
        // "a7Gk2": letters and digits next to each other. Plain text has it in codes
        // ("B3", "THL1", "2.OG"), cipher text everywhere.
        mixes += (isLetter(previous) && k == Kind::Digit) || (previous == Kind::Digit && isLetter(k));
        previous = k;
    }
    if (count < kShortestJudged) return false;
    if (longestOddRun >= 4) return true;
    // Umlauts beyond what German text has (a few in a hundred) count as odd: the 7-bit
    // pager alphabet turns the brackets and braces of random text into umlauts.
    const double extraUmlauts = std::max(0.0, umlauts - 0.06 * count);
    const double weird = (odd + caseFlips + 0.5 * mixes + extraUmlauts) / count;
    const double spaceShare = static_cast<double>(spaces) / count;
    return weird > 0.2 || (spaceShare < 0.08 && weird > 0.1);
}

}  // namespace kub
