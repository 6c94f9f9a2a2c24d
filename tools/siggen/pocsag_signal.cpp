#include "siggen/pocsag_signal.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>

#include "siggen/stereo_track.h"

namespace siggen {

namespace {

// Generator polynomial of the BCH(31,21) code: x^10+x^9+x^8+x^6+x^5+x^3+1.
constexpr std::uint32_t kBchPoly = 0x769u;

// Decodes one UTF-8 character starting at text[i]; advances i.
std::uint32_t nextCodePoint(const std::string& text, std::size_t& i) {
    const auto c = static_cast<unsigned char>(text[i++]);
    if (c < 0x80) return c;
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    std::uint32_t cp = c & (0x3Fu >> extra);
    for (; extra > 0 && i < text.size(); --extra) {
        cp = (cp << 6) | (static_cast<unsigned char>(text[i++]) & 0x3Fu);
    }
    return cp;
}

std::uint32_t alphaValue(std::uint32_t cp) {
    switch (cp) {
        case 0xC4: return 91;   // Ä
        case 0xD6: return 92;   // Ö
        case 0xDC: return 93;   // Ü
        case 0xE4: return 123;  // ä
        case 0xF6: return 124;  // ö
        case 0xFC: return 125;  // ü
        case 0xDF: return 126;  // ß
        default: return cp < 128 ? cp : '?';
    }
}

std::uint32_t numericValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<std::uint32_t>(c - '0');
    switch (c) {
        case 'U': return 0xB;
        case '-': return 0xD;
        case ']': return 0xE;
        case '[': return 0xF;
        default: return 0xC;  // space
    }
}

// Packs a stream of bits (first bit first) into 20-bit message codewords.
class MessagePacker {
public:
    void push(std::uint32_t bit) {
        data_ = (data_ << 1) | (bit & 1u);
        if (++count_ == 20) {
            words_.push_back(pocsagMessageCodeword(data_));
            data_ = 0;
            count_ = 0;
        }
    }
    // Sends `value`'s lowest `bits` bits, least significant first.
    void pushLsbFirst(std::uint32_t value, int bits) {
        for (int b = 0; b < bits; ++b) push(value >> b);
    }
    bool partial() const { return count_ != 0; }
    std::vector<std::uint32_t> take() { return std::move(words_); }

private:
    std::vector<std::uint32_t> words_;
    std::uint32_t data_ = 0;
    int count_ = 0;
};

}  // namespace

std::uint32_t pocsagCodeword(std::uint32_t upper21) {
    std::uint32_t word = upper21 & 0xFFFFF800u;
    std::uint32_t rem = word >> 1;  // the 31-bit code word with the check bits still zero
    for (int bit = 30; bit >= 10; --bit) {
        if (rem & (1u << bit)) rem ^= kBchPoly << (bit - 10);
    }
    word |= (rem & 0x3FFu) << 1;
    word |= static_cast<std::uint32_t>(std::popcount(word) & 1);
    return word;
}

std::uint32_t pocsagAddressCodeword(std::uint32_t ric, int function) {
    const std::uint32_t upper = ((ric >> 3) & 0x3FFFFu) << 13 |
                                (static_cast<std::uint32_t>(function) & 3u) << 11;
    return pocsagCodeword(upper);
}

std::uint32_t pocsagMessageCodeword(std::uint32_t data20) {
    return pocsagCodeword(0x80000000u | (data20 & 0xFFFFFu) << 11);
}

std::vector<std::uint32_t> pocsagAlphaCodewords(const std::string& utf8Text, bool zeroFill) {
    MessagePacker packer;
    for (std::size_t i = 0; i < utf8Text.size();) {
        packer.pushLsbFirst(alphaValue(nextCodePoint(utf8Text, i)), 7);
    }
    // End of text, then more of it to fill the last codeword: zero fill would put runs of
    // twenty and more equal bits on the air, which bit-length trackers take for the carrier
    // going away.
    packer.pushLsbFirst(4, 7);
    for (int b = 0; packer.partial(); b = (b + 1) % 7) packer.push(zeroFill ? 0u : (4u >> b) & 1u);
    return packer.take();
}

std::vector<std::uint32_t> pocsagNumericCodewords(const std::string& digits) {
    MessagePacker packer;
    for (char c : digits) packer.pushLsbFirst(numericValue(c), 4);
    while (packer.partial()) packer.pushLsbFirst(0xC, 4);
    return packer.take();
}

std::vector<std::uint32_t> pocsagBatches(const std::vector<PocsagMessage>& messages) {
    std::vector<std::uint32_t> out;
    std::size_t slot = 0;  // codeword position inside the current batch, 0..15
    auto put = [&](std::uint32_t word) {
        if (slot == 0) out.push_back(kPocsagSync);
        out.push_back(word);
        slot = (slot + 1) % 16;
    };
    for (const PocsagMessage& m : messages) {
        const std::size_t frame = m.ric & 7u;
        while (slot / 2 != frame) put(kPocsagIdle);
        put(pocsagAddressCodeword(m.ric, m.function));
        std::vector<std::uint32_t> body;
        if (m.content == PocsagContent::Alpha) body = pocsagAlphaCodewords(m.text, m.zeroFill);
        if (m.content == PocsagContent::Numeric) body = pocsagNumericCodewords(m.text);
        for (std::uint32_t w : body) put(w);
        // One idle closes the message, so the next address never runs into it.
        put(kPocsagIdle);
    }
    while (slot != 0) put(kPocsagIdle);
    if (out.empty()) {
        for (int i = 0; i < 16; ++i) put(kPocsagIdle);
    }
    return out;
}

std::vector<std::uint8_t> pocsagBits(const std::vector<std::uint32_t>& codewords, int preambleBits) {
    std::vector<std::uint8_t> bits;
    bits.reserve(static_cast<std::size_t>(preambleBits) + 32 * codewords.size());
    for (int i = 0; i < preambleBits; ++i) bits.push_back(static_cast<std::uint8_t>((i + 1) & 1));
    for (std::uint32_t w : codewords) {
        for (int b = 31; b >= 0; --b) bits.push_back(static_cast<std::uint8_t>((w >> b) & 1u));
    }
    return bits;
}

std::vector<float> pocsagWaveform(const std::vector<std::uint8_t>& bits, double bitRate,
                                  double amplitude, bool inverted, double edgeBits) {
    std::vector<float> out;
    if (bits.empty() || bitRate <= 0) return out;
    const double samplesPerBit = kRate / bitRate;
    const auto total = static_cast<std::size_t>(std::ceil(static_cast<double>(bits.size()) * samplesPerBit));
    out.resize(total);
    const double half = std::max(edgeBits, 1e-6) / 2;
    auto level = [&](std::ptrdiff_t k) {
        k = std::clamp<std::ptrdiff_t>(k, 0, static_cast<std::ptrdiff_t>(bits.size()) - 1);
        const bool one = bits[static_cast<std::size_t>(k)] != 0;
        // Normal: a 1 bit sits on the low level.
        return (one != inverted) ? -amplitude : amplitude;
    };
    for (std::size_t n = 0; n < total; ++n) {
        const double t = static_cast<double>(n) / samplesPerBit;  // in bits
        const auto k = static_cast<std::ptrdiff_t>(std::lround(t));  // nearest bit boundary
        const double u = t - static_cast<double>(k);
        const double before = level(k - 1), after = level(k);
        double step = u <= -half ? 0.0 : u >= half ? 1.0 : 0.5 + 0.5 * std::sin(std::numbers::pi * u / (2 * half));
        out[n] = static_cast<float>(before + (after - before) * step);
    }
    return out;
}

std::vector<float> pocsagSignal(const std::vector<PocsagMessage>& messages, double bitRate,
                                double amplitude, bool inverted) {
    return pocsagWaveform(pocsagBits(pocsagBatches(messages)), bitRate, amplitude, inverted);
}

}  // namespace siggen
