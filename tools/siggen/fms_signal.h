#pragma once
// FMS test signals: status telegrams in the public over-the-air format (bit preamble,
// block sync word 00011010, 40 data bits least significant bit first per field, seven
// check bits of the generator x^7 + x^6 + x^2 + 1 and an even parity bit), text
// transmissions in the shape our receiver takes them, and the two tone calls.

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "siggen/repeatable_random.h"

namespace siggen {

struct FmsTelegram {
    // Eight characters: organisation, state and the two place digits in hexadecimal,
    // then the four vehicle digits in decimal ("623B1234").
    std::string kennung;
    int status = 0;     // 0..15
    int direction = 0;  // 0 vehicle -> control centre, 1 control centre -> vehicle
    int tki = 0;        // 0..3
    int baustufe = 0;   // 0 or 1
};

// False when the Kennung, status, direction or TKI is out of range.
bool validFmsTelegram(const FmsTelegram& t, std::string& error);

// `n` random status telegrams for tests and benchmarks: organisation, state and place from
// 1..E, four random vehicle digits, any status, direction and TKI, but none that would
// announce a text (status 10 towards the vehicle).
std::vector<FmsTelegram> randomFmsTelegrams(int n, RepeatableRandom& rng);
std::vector<FmsTelegram> randomFmsTelegrams(int n, std::mt19937& rng);

// The 48 bits after the sync word: 40 data bits, 7 check bits, parity. Bit 0 first.
std::vector<std::uint8_t> fmsTelegramBits(const FmsTelegram& t);
// The seven check bits over 40 data bits, first sent bit first.
std::vector<std::uint8_t> fmsCheckBits(const std::vector<std::uint8_t>& data40);

// Continuous-phase FSK at 1200 bit/s: a 1 bit is 1200 Hz, a 0 bit 1800 Hz. The phase and
// the fractional bit clock carry over between calls, so pieces join without clicks.
class FmsModulator {
public:
    explicit FmsModulator(double amplitude) : amplitude_(amplitude) {}
    void bits(const std::vector<std::uint8_t>& b, std::vector<float>& out);
    void bit(int b, std::vector<float>& out);

private:
    double amplitude_;
    double phase_ = 0.0;
    double clock_ = 0.0;  // samples owed to the bit stream
};

// One status telegram: preamble of 1 bits, sync word, 48 bits, a short tail.
std::vector<float> fmsTelegramSignal(const FmsTelegram& t, double amplitude);

// A text transmission: the announcing telegram (status 10, direction control centre to
// vehicle) followed by follow-up telegrams of 48 bits, one every 955 samples (a little
// faster than the receiver's 1024-sample blocks, so it never runs dry). The first
// follow-up carries the number of further telegrams and three characters, every further
// one four characters; the last carries the end marker 11. Characters are 7-bit codes.
// The receiver finds the start of each follow-up telegram at its first 0 bit, so a
// further telegram whose first character has an odd code starts with the code 0 instead
// (which the receiver drops) and carries that character in its next slot.
bool fmsTextSignal(const std::string& kennung, int tki, const std::string& text, double amplitude,
                   std::vector<float>& out, std::string& error);

// A plain sine of the given frequency and duration with short ramps (tone calls).
std::vector<float> toneSignal(double hz, double ms, double amplitude);

}  // namespace siggen
