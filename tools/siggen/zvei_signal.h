#pragma once
// ZVEI five-tone sequences as a selective-call encoder sends them: 70 ms tones of the
// ZVEI1 table back to back with continuous phase, and the repeat tone in place of a
// digit that equals the one before it.

#include <string>
#include <string_view>
#include <vector>

namespace siggen {

constexpr double kZveiToneMs = 70.0;
constexpr double kZveiRepeatHz = 2600.0;

// Frequency of one tone symbol: '0'..'9', 'R' (or 'E') the repeat tone, 'G' the group
// tone, and the letter tones 'C', 'H', 'U', 'L', 'J', 'P'. 0 for anything else.
double zveiToneFrequency(char symbol);

// The symbols actually sent for a code: a character equal to the one sent just before
// it becomes 'R'. Lower-case letters count as upper case. Empty when the code holds a
// character that has no tone.
std::string zveiToneSymbols(std::string_view code);

// One tone after the other, each `toneMs` long, phase-continuous, with short fades at
// the very start and end. Frequencies of 0 give silence of that length.
std::vector<float> toneRun(const std::vector<double>& frequencies, double toneMs, double amplitude);

// A code as sent (repeat tones inserted); empty when the code cannot be sent.
std::vector<float> zveiSequence(std::string_view code, double amplitude, double toneMs = kZveiToneMs);

}  // namespace siggen
