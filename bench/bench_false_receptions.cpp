// False receptions: what the FMS, ZVEI and POCSAG decoders report from audio that holds
// none of them, white noise and speech (espeak-ng) mixed with noise. Ours with every
// decoder option on and the classic way, and multimon-ng (FMSFSK, ZVEI1 and POCSAG at
// each rate) on the same samples.
//
//   bench_false_receptions [minutes of each kind, default 10] [noise|speech|both, default both]
//
// The audio is made and decoded in pieces, so an hour needs no more memory than a minute.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "common/clock.h"
#include "core/headless_window.h"
#include "core/monitor_channel.h"
#include "core/monitor_core.h"

namespace {

constexpr std::size_t kRate = 22050;

// One monitor fed block by block with the same audio on both channels: FMS and ZVEI on the
// left, POCSAG on the right (so that a busy POCSAG decoder cannot hold the others back).
class Monitor {
public:
    explicit Monitor(const kub::DecoderOptions& options) : clock_(1.8e9), core_(clock_, window_) {
        core_.left().decoders().switchOn({true, true, false});
        core_.right().decoders().switchOn({false, false, true});
        core_.context.options = options;
    }
    void feed(const std::vector<std::int16_t>& mono) {
        for (std::int16_t v : mono) {
            pending_.push_back(v);
            if (pending_.size() == static_cast<std::size_t>(kub::kBlockFrames)) flush();
        }
    }
    std::vector<std::string> lines() const { return window_.receptionLines; }

private:
    void flush() {
        auto& block = core_.dispatcher.captureBuffers[static_cast<std::size_t>(core_.dispatcher.currentBuffer())];
        for (std::size_t k = 0; k < pending_.size(); ++k) {
            block[2 * k] = pending_[k];
            block[2 * k + 1] = pending_[k];
        }
        pending_.clear();
        clock_.advanceFrames(kub::kBlockFrames);
        core_.dispatcher.processCaptureBuffer();
    }
    kub::StreamClock clock_;
    kub::HeadlessWindow window_;
    kub::MonitorCore core_;
    std::vector<std::int16_t> pending_;
};

// Speech samples at 22050 Hz from espeak-ng, empty when it is not there.
std::vector<float> speech() {
    const std::string wav = (std::filesystem::temp_directory_path() / ("bench-speech-" + std::to_string(::getpid()) + ".wav")).string();
    const char* text =
        "Florian Kreisstadt eins eins drei, kommen. Hier Leitstelle, bitte fahren Sie zur Hauptstrasse zwanzig, "
        "dort brennt ein Muellcontainer. Verstanden, wir sind in fuenf Minuten vor Ort. Rettungswagen drei zwei eins "
        "ist frei ueber Funk. Achtung an alle Einsatzkraefte, die Bundesstrasse ist zwischen Nord und Sued gesperrt. "
        "Die Wetterlage bleibt unbestaendig, am Nachmittag ziehen Gewitter auf, mit Boeen bis achtzig Stundenkilometer.";
    const std::string cmd = "espeak-ng -v de -s 150 -w '" + wav + "' \"" + text + "\" >/dev/null 2>&1";
    std::vector<float> out;
    if (std::system(cmd.c_str()) != 0) return out;
    std::ifstream in(wav, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::filesystem::remove(wav);
    // Walk the chunks to "data"; espeak-ng writes 16-bit mono at 22050 Hz.
    std::size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const std::string id(bytes.data() + at, 4);
        std::uint32_t size = 0;
        for (int i = 0; i < 4; ++i) size |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 4 + static_cast<std::size_t>(i)])) << (8 * i);
        at += 8;
        if (id == "data") {
            for (std::size_t i = at; i + 1 < bytes.size() && i + 1 < at + size; i += 2) {
                const auto v = static_cast<std::int16_t>(static_cast<unsigned char>(bytes[i]) |
                                                         (static_cast<unsigned char>(bytes[i + 1]) << 8));
                out.push_back(static_cast<float>(v) / 32768.0f);
            }
            break;
        }
        at += size + (size & 1);
    }
    return out;
}

struct Result {
    std::vector<std::string> on, classic, multimon;
};

Result run(double minutes, const std::vector<float>& voice, unsigned seed) {
    const auto total = static_cast<std::size_t>(minutes * 60.0 * kRate);
    Monitor on(kub::DecoderOptions::allOn());
    Monitor classic(kub::DecoderOptions::classic());
    const std::string out = (std::filesystem::temp_directory_path() / ("bench-false-" + std::to_string(::getpid()) + ".txt")).string();
    FILE* mm = popen(("multimon-ng -q -t raw -a FMSFSK -a ZVEI1 -a POCSAG512 -a POCSAG1200 -a POCSAG2400 - > '" + out + "' 2>/dev/null").c_str(), "w");

    // Speech peaks near -6 dBFS, the noise 10 dB below the speech's mean power; plain
    // noise at a tenth of full scale.
    double voicePower = 0;
    for (float v : voice) voicePower += static_cast<double>(v) * v;
    double voiceGain = 0, noiseRms = 0.1;
    if (!voice.empty()) {
        float peak = 0;
        for (float v : voice) peak = std::max(peak, std::fabs(v));
        voiceGain = 0.5 / peak;
        voicePower = voicePower / static_cast<double>(voice.size()) * voiceGain * voiceGain;
        noiseRms = std::sqrt(voicePower / 10.0);
    }
    std::mt19937 rng(seed);
    std::normal_distribution<double> gauss(0.0, noiseRms * 32767.0);
    std::vector<std::int16_t> piece;
    for (std::size_t done = 0; done < total;) {
        const std::size_t n = std::min<std::size_t>(kRate * 10, total - done);
        piece.resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            double v = gauss(rng);
            if (!voice.empty()) v += voiceGain * voice[(done + i) % voice.size()] * 32767.0;
            piece[i] = static_cast<std::int16_t>(std::clamp(std::round(v), -32768.0, 32767.0));
        }
        on.feed(piece);
        classic.feed(piece);
        if (mm) std::fwrite(piece.data(), sizeof(std::int16_t), piece.size(), mm);
        done += n;
    }
    Result r{on.lines(), classic.lines(), {}};
    if (mm) {
        pclose(mm);
        std::ifstream in(out);
        std::string line;
        while (std::getline(in, line))
            if (line.rfind("FMS:", 0) == 0 || line.rfind("ZVEI1:", 0) == 0 || line.rfind("POCSAG", 0) == 0)
                r.multimon.push_back(line);
        std::filesystem::remove(out);
    }
    return r;
}

int count(const std::vector<std::string>& lines, const std::string& prefix) {
    return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

int countCrcOk(const std::vector<std::string>& lines) {
    return static_cast<int>(std::count_if(lines.begin(), lines.end(), [](const std::string& l) {
        return l.rfind("FMS:", 0) == 0 && l.find("CRC correct") != std::string::npos;
    }));
}

void report(const char* kind, double minutes, const Result& r, double seconds) {
    std::printf("%-7s %6.1f min  ours on: FMS %d ZVEI %d POCSAG %d   classic: FMS %d ZVEI %d POCSAG %d   "
                "multimon-ng: FMS %d (CRC correct %d) ZVEI1 %d POCSAG %d   (%.0f s)\n",
                kind, minutes, count(r.on, "##FMS#"), count(r.on, "##ZVEI#"), count(r.on, "##POC#"),
                count(r.classic, "##FMS#"), count(r.classic, "##ZVEI#"), count(r.classic, "##POC#"),
                count(r.multimon, "FMS:"), countCrcOk(r.multimon), count(r.multimon, "ZVEI1:"),
                count(r.multimon, "POCSAG"), seconds);
    for (const auto& l : r.on) std::printf("    ours on: %s\n", l.c_str());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const double minutes = argc > 1 ? std::max(0.1, std::atof(argv[1])) : 10.0;
    const std::string which = argc > 2 ? argv[2] : "both";
    if (std::system("command -v multimon-ng >/dev/null 2>&1") != 0) std::printf("multimon-ng not installed: its counts stay 0\n");
    std::printf("False receptions: receptions per decoder from audio without FMS, ZVEI or POCSAG\n");
    if (which == "noise" || which == "both") {
        const auto t0 = std::chrono::steady_clock::now();
        const Result r = run(minutes, {}, 1);
        report("noise", minutes, r, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    if (which == "speech" || which == "both") {
        const auto voice = speech();
        if (voice.empty()) {
            std::printf("speech: espeak-ng not installed, skipped\n");
        } else {
            const auto t0 = std::chrono::steady_clock::now();
            const Result r = run(minutes, voice, 2);
            report("speech", minutes, r, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        }
    }
    return 0;
}
