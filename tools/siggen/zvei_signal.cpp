#include "siggen/zvei_signal.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "siggen/stereo_track.h"

namespace siggen {

double zveiToneFrequency(char symbol) {
    switch (symbol) {
        case '1': return 1060.0;
        case '2': return 1160.0;
        case '3': return 1270.0;
        case '4': return 1400.0;
        case '5': return 1530.0;
        case '6': return 1670.0;
        case '7': return 1830.0;
        case '8': return 2000.0;
        case '9': return 2200.0;
        case '0': return 2400.0;
        case 'R':
        case 'E': return kZveiRepeatHz;
        case 'G': return 2800.0;
        case 'C': return 810.0;
        case 'H': return 885.0;
        case 'U': return 1750.0;
        case 'L': return 1860.0;
        case 'J': return 2135.0;
        case 'P': return 2280.0;
        default: return 0.0;
    }
}

std::string zveiToneSymbols(std::string_view code) {
    std::string out;
    char previous = 0;
    for (char c : code) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c == 'E') c = 'R';
        if (zveiToneFrequency(c) == 0.0) return {};
        out.push_back(c != 'R' && c == previous ? 'R' : c);
        previous = out.back();
    }
    return out;
}

std::vector<float> toneRun(const std::vector<double>& frequencies, double toneMs, double amplitude) {
    const auto perTone = static_cast<std::size_t>(std::lround(toneMs * kRate / 1000.0));
    std::vector<float> out(perTone * frequencies.size(), 0.0f);
    double phase = 0.0;
    std::size_t k = 0;
    for (double f : frequencies) {
        const double step = 2.0 * std::numbers::pi * f / kRate;
        for (std::size_t i = 0; i < perTone; ++i, ++k) {
            if (f > 0) out[k] = static_cast<float>(amplitude * std::sin(phase));
            phase = std::fmod(phase + step, 2.0 * std::numbers::pi);
        }
    }
    // 2 ms fades keep the edges from clicking.
    const std::size_t fade = std::min<std::size_t>(44, out.size() / 2);
    for (std::size_t i = 0; i < fade; ++i) {
        const float g = static_cast<float>(i) / static_cast<float>(fade);
        out[i] *= g;
        out[out.size() - 1 - i] *= g;
    }
    return out;
}

std::vector<float> zveiSequence(std::string_view code, double amplitude, double toneMs) {
    const std::string symbols = zveiToneSymbols(code);
    if (symbols.empty()) return {};
    std::vector<double> freqs;
    for (char s : symbols) freqs.push_back(zveiToneFrequency(s));
    return toneRun(freqs, toneMs, amplitude);
}

}  // namespace siggen
