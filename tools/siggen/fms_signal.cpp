#include "siggen/fms_signal.h"

#include <cmath>
#include <numbers>

#include "siggen/stereo_track.h"

namespace siggen {

namespace {

constexpr double kBitRate = 1200.0;
constexpr double kSamplesPerBit = kRate / kBitRate;

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

void putField(std::vector<std::uint8_t>& bits, int value, int width) {
    for (int k = 0; k < width; ++k) bits.push_back(static_cast<std::uint8_t>((value >> k) & 1));
}

const std::vector<std::uint8_t> kSyncWord = {0, 0, 0, 1, 1, 0, 1, 0};

}  // namespace

bool validFmsTelegram(const FmsTelegram& t, std::string& error) {
    if (t.kennung.size() != 8) {
        error = "Kennung braucht 8 Zeichen";
        return false;
    }
    for (std::size_t i = 0; i < 8; ++i) {
        const int v = hexValue(t.kennung[i]);
        if (v < 0 || (i >= 4 && v > 9)) {
            error = "Kennung: 4 Hex-Ziffern, dann 4 Dezimalziffern";
            return false;
        }
    }
    if (t.status < 0 || t.status > 15) {
        error = "Status 0..15";
        return false;
    }
    if (t.direction < 0 || t.direction > 1) {
        error = "Richtung 0 oder 1";
        return false;
    }
    if (t.tki < 0 || t.tki > 3) {
        error = "TKI 0..3";
        return false;
    }
    if (t.baustufe < 0 || t.baustufe > 1) {
        error = "Baustufe 0 oder 1";
        return false;
    }
    return true;
}

std::vector<std::uint8_t> fmsCheckBits(const std::vector<std::uint8_t>& data40) {
    // Shift register of the generator x^7 + x^6 + x^2 + 1, fed first bit first.
    unsigned reg = 0;
    for (std::uint8_t b : data40) {
        const unsigned feedback = ((reg >> 6) & 1u) ^ (b & 1u);
        reg = (reg << 1) & 0x7Fu;
        if (feedback) reg ^= 0x45u;
    }
    std::vector<std::uint8_t> out;
    for (int k = 6; k >= 0; --k) out.push_back(static_cast<std::uint8_t>((reg >> k) & 1u));
    return out;
}

std::vector<std::uint8_t> fmsTelegramBits(const FmsTelegram& t) {
    std::vector<std::uint8_t> bits;
    for (std::size_t i = 0; i < 8 && i < t.kennung.size(); ++i) putField(bits, hexValue(t.kennung[i]), 4);
    putField(bits, t.status, 4);
    putField(bits, t.baustufe, 1);
    putField(bits, t.direction, 1);
    putField(bits, t.tki, 2);
    const auto check = fmsCheckBits(bits);
    bits.insert(bits.end(), check.begin(), check.end());
    int ones = 0;
    for (std::uint8_t b : bits) ones += b;
    bits.push_back(static_cast<std::uint8_t>(ones & 1));
    return bits;
}

void FmsModulator::bit(int b, std::vector<float>& out) {
    const double step = 2.0 * std::numbers::pi * (b ? 1200.0 : 1800.0) / kRate;
    clock_ += kSamplesPerBit;
    while (clock_ >= 0.5) {
        out.push_back(static_cast<float>(amplitude_ * std::sin(phase_)));
        phase_ += step;
        if (phase_ > 2.0 * std::numbers::pi) phase_ -= 2.0 * std::numbers::pi;
        clock_ -= 1.0;
    }
}

void FmsModulator::bits(const std::vector<std::uint8_t>& b, std::vector<float>& out) {
    for (std::uint8_t v : b) bit(v, out);
}

std::vector<float> fmsTelegramSignal(const FmsTelegram& t, double amplitude) {
    std::vector<float> out;
    FmsModulator mod(amplitude);
    for (int i = 0; i < 16; ++i) mod.bit(1, out);
    mod.bits(kSyncWord, out);
    mod.bits(fmsTelegramBits(t), out);
    for (int i = 0; i < 4; ++i) mod.bit(1, out);
    return out;
}

bool fmsTextSignal(const std::string& kennung, int tki, const std::string& text, double amplitude,
                   std::vector<float>& out, std::string& error) {
    FmsTelegram head{kennung, 10, 1, tki, 0};
    if (!validFmsTelegram(head, error)) return false;
    for (unsigned char c : text) {
        if (c < 32 || c > 127) {
            error = "Text nur aus 7-Bit-Zeichen ab Code 32";
            return false;
        }
    }
    // Character slots per follow-up telegram: three in the first, four in each further one.
    std::vector<std::vector<int>> telegrams(1);
    std::size_t next = 0;
    while (next < text.size() && telegrams[0].size() < 3) telegrams[0].push_back(text[next++]);
    while (next < text.size()) {
        std::vector<int> slots;
        while (next < text.size() && slots.size() < 4) {
            const int c = static_cast<unsigned char>(text[next]);
            if (slots.empty() && (c & 1)) {
                slots.push_back(0);
                continue;
            }
            slots.push_back(c);
            ++next;
        }
        telegrams.push_back(slots);
    }
    if (telegrams.size() > 26) {
        error = "Text zu lang für 26 Folgetelegramme";
        return false;
    }

    FmsModulator mod(amplitude);
    for (int i = 0; i < 16; ++i) mod.bit(1, out);
    mod.bits(kSyncWord, out);
    mod.bits(fmsTelegramBits(head), out);
    const int further = static_cast<int>(telegrams.size()) - 1;
    for (std::size_t t = 0; t < telegrams.size(); ++t) {
        std::vector<std::uint8_t> bits;
        std::vector<int> slots = telegrams[t];
        if (t == 0) {
            putField(bits, 0, 1);
            putField(bits, further, 7);
            while (slots.size() < 3) slots.push_back(0);
        } else {
            while (slots.size() < 4) slots.push_back(0);
        }
        for (int c : slots) {
            putField(bits, c, 7);
            putField(bits, 0, 1);
        }
        const bool last = t + 1 == telegrams.size();
        putField(bits, last ? 11 : 0, 4);
        // 1 bits keep a slightly misplaced slice on track for the next telegram; after the
        // last one they would look like a preamble to the receiver, so that one ends in 0s.
        while (bits.size() < 48) bits.push_back(last ? 0 : 1);
        for (int i = 0; i < 4; ++i) mod.bit(1, out);
        mod.bits(bits, out);
    }
    for (int i = 0; i < 2; ++i) mod.bit(1, out);
    return true;
}

std::vector<float> toneSignal(double hz, double ms, double amplitude) {
    const auto n = static_cast<std::size_t>(std::lround(ms * kRate / 1000.0));
    const std::size_t ramp = std::min<std::size_t>(n / 2, 110);  // 5 ms
    std::vector<float> out(n);
    for (std::size_t i = 0; i < n; ++i) {
        double g = 1.0;
        if (i < ramp) g = static_cast<double>(i) / static_cast<double>(ramp);
        if (n - 1 - i < ramp) g = static_cast<double>(n - 1 - i) / static_cast<double>(ramp);
        out[i] = static_cast<float>(amplitude * g *
                                    std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / kRate));
    }
    return out;
}

std::vector<FmsTelegram> randomFmsTelegrams(int n, std::mt19937& rng) {
    RepeatableRandom own(rng());  // the engine's numbers are the same everywhere
    return randomFmsTelegrams(n, own);
}

std::vector<FmsTelegram> randomFmsTelegrams(int n, RepeatableRandom& rng) {
    std::vector<FmsTelegram> out;
    while (static_cast<int>(out.size()) < n) {
        FmsTelegram t;
        for (int i = 0; i < 4; ++i) t.kennung += "0123456789ABCDEF"[rng.between(1, 14)];
        for (int i = 0; i < 4; ++i) t.kennung += static_cast<char>('0' + rng.between(0, 9));
        t.status = rng.between(0, 15);
        t.direction = rng.between(0, 1);
        t.tki = rng.between(0, 3);
        if (t.status == 10 && t.direction == 1) continue;
        out.push_back(t);
    }
    return out;
}

}  // namespace siggen
