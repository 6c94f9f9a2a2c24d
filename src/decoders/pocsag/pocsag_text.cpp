#include "decoders/pocsag/pocsag_text.h"

namespace kub {

void appendPagerCharacter(std::string& text, unsigned value) {
    value &= 0x7Fu;
    if (value < 32) return;
    switch (value) {
        case 91: text += "\xC3\x84"; return;   // Ä
        case 92: text += "\xC3\x96"; return;   // Ö
        case 93: text += "\xC3\x9C"; return;   // Ü
        case 123: text += "\xC3\xA4"; return;  // ä
        case 124: text += "\xC3\xB6"; return;  // ö
        case 125: text += "\xC3\xBC"; return;  // ü
        case 126: text += "\xC3\x9F"; return;  // ß
        case 127: text += "<127>"; return;
        default: text += static_cast<char>(value);
    }
}

std::string numericDigits(unsigned data20, bool rightChannel) {
    static const char* const kLeft = "0123456789 U -)(";
    static const char* const kRight = "0123456789 U -][";
    const char* table = rightChannel ? kRight : kLeft;
    std::string digits;
    for (int d = 0; d < 5; ++d) {
        unsigned v = 0;
        for (int b = 0; b < 4; ++b) v |= ((data20 >> (19 - (4 * d + b))) & 1u) << b;
        digits += table[v];
    }
    return digits;
}

}  // namespace kub
