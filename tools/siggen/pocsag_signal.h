#pragma once
// POCSAG pager transmissions as a receiver's discriminator would deliver them: a
// two-level baseband signal at 512, 1200 or 2400 bit/s. Normal polarity puts a 1 bit on
// the low level; inverted polarity on the high level.

#include <cstdint>
#include <string>
#include <vector>

namespace siggen {

constexpr std::uint32_t kPocsagSync = 0x7CD215D8u;
constexpr std::uint32_t kPocsagIdle = 0x7A89C197u;
constexpr int kPocsagPreambleBits = 576;

enum class PocsagContent {
    Alpha,    // 7-bit characters, German variant for umlauts and ß
    Numeric,  // 4-bit digits
    Tone,     // address only, no message codewords
};

struct PocsagMessage {
    std::uint32_t ric = 0;   // 21-bit address
    int function = 0;        // 0..3
    PocsagContent content = PocsagContent::Alpha;
    std::string text;        // UTF-8 for Alpha; digits, space, U, -, [, ] for Numeric
    // Alpha only: fill the last codeword with zero bits after the end-of-text character,
    // as many encoders do, instead of repeating end-of-text.
    bool zeroFill = false;
};

// Adds the BCH(31,21) check bits and the even parity bit to a codeword whose bits 31..11
// are set (the lower 11 bits are ignored).
std::uint32_t pocsagCodeword(std::uint32_t upper21);
std::uint32_t pocsagAddressCodeword(std::uint32_t ric, int function);
// 20 data bits, bit 19 sent first.
std::uint32_t pocsagMessageCodeword(std::uint32_t data20);

// The message codewords of a text: 7-bit characters sent least significant bit first,
// closed by an end-of-text character; the last codeword is filled up with further
// end-of-text bits.
// Ä Ö Ü ä ö ü ß travel as 91 92 93 123 124 125 126. Characters beyond 7 bits become '?'.
// With `zeroFill` the rest of the last codeword is zero bits instead.
std::vector<std::uint32_t> pocsagAlphaCodewords(const std::string& utf8Text, bool zeroFill = false);
// The message codewords of a numeric message, filled up with spaces. Unknown
// characters become spaces.
std::vector<std::uint32_t> pocsagNumericCodewords(const std::string& digits);

// The codewords of a whole transmission after the preamble: batches of sync + 16
// codewords; each address in its frame (ric & 7), its message codewords right after it,
// idle codewords wherever nothing is to be sent, the last batch filled up with idles.
std::vector<std::uint32_t> pocsagBatches(const std::vector<PocsagMessage>& messages);

// Bits of a transmission, first bit first: the preamble (alternating, starting with 1),
// then every codeword from bit 31 down.
std::vector<std::uint8_t> pocsagBits(const std::vector<std::uint32_t>& codewords,
                                     int preambleBits = kPocsagPreambleBits);

// Baseband samples at 22050 Hz of a bit sequence. Each transition takes a smooth step
// over `edgeBits` of a bit, as a receiver's filters round it off.
std::vector<float> pocsagWaveform(const std::vector<std::uint8_t>& bits, double bitRate,
                                  double amplitude, bool inverted, double edgeBits = 0.4);

// A complete transmission of one or more messages.
std::vector<float> pocsagSignal(const std::vector<PocsagMessage>& messages, double bitRate,
                                double amplitude, bool inverted);

}  // namespace siggen
