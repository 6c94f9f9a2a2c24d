#pragma once
// Message texts of POCSAG pagers: 7-bit characters in the German national variant.

#include <string>

namespace kub {

// Appends the text of one 7-bit character value (UTF-8): control characters give
// nothing, 91..93 and 123..126 the umlauts and ß, 127 the text "<127>".
void appendPagerCharacter(std::string& text, unsigned value);

// The numeric form of one message codeword's 20 data bits: five 4-bit digits, each sent
// least significant bit first. The two bracket characters differ per channel (round
// brackets left, square brackets right). Prepared, but no output uses it yet.
std::string numericDigits(unsigned data20, bool rightChannel);

}  // namespace kub
