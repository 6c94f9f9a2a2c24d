#pragma once
// Whether a pager text reads as plain language or as the output of an encryption. Judged
// by its characters alone, never by a list of words: German alarm texts are full of
// abbreviations, codes and house numbers ("B3 Brand Wohnhaus Hauptstr. 5, 2.OG, Pers. i.
// Gef."), and a cipher text that happens to contain a word is still a cipher text.

#include <string_view>

namespace kub {

// True for a text of at least 10 characters that looks like cipher text: few spaces
// with case changes inside words, letters and digits in a jumble, characters that plain
// text hardly uses, or runs of them. Short texts are never judged encrypted.
bool looksEncrypted(std::string_view text);

}  // namespace kub
