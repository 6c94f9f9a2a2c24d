// ZVEI decoder benchmark: throughput in seconds of audio per second, and the share of
// five-tone codes decoded against the signal-to-noise ratio (30 dB down to 0 dB), side by
// side with multimon-ng's ZVEI1 decoder on the very same samples when it is installed.
//
//   bench_zvei [codes per SNR point, default 40] [throughput minutes, default 10; 0 skips it]
// Ours runs twice on every recording: all decoder options on, and the classic way. A
// wrong reception is a code that was not sent.

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "common/clock.h"
#include "core/headless_window.h"
#include "core/monitor_channel.h"
#include "core/monitor_core.h"
#include "siggen/stereo_track.h"
#include "siggen/zvei_signal.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Recording {
    std::vector<std::int16_t> samples;  // mono, 22050 Hz
    std::vector<std::string> codes;     // in the order sent
};

std::string randomCode(std::mt19937& rng, const std::string& previous) {
    std::uniform_int_distribution<int> digit(0, 9);
    std::string code;
    do {
        code.clear();
        for (int i = 0; i < 5; ++i) code.push_back(static_cast<char>('0' + digit(rng)));
    } while (code == previous);
    return code;
}

// `count` random codes, 600 ms apart, with white noise at `snrDb` below the mean signal
// power (as `kubmon gen --snr` does).
Recording makeRecording(int count, double snrDb, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> gapMs(400, 800);
    siggen::StereoTrack track;
    Recording rec;
    std::size_t at = 11025;
    double energy = 0;
    std::size_t n = 0;
    for (int i = 0; i < count; ++i) {
        rec.codes.push_back(randomCode(rng, rec.codes.empty() ? std::string() : rec.codes.back()));
        auto s = siggen::zveiSequence(rec.codes.back(), 0.3);
        track.mixAt(siggen::Side::Left, at, s);
        for (float v : s) energy += static_cast<double>(v) * v;
        n += s.size();
        at += s.size() + static_cast<std::size_t>(gapMs(rng)) * 22050 / 1000;
    }
    track.mixAt(siggen::Side::Left, at, std::vector<float>(11025, 0.0f));
    if (snrDb < 90) track.addNoise(std::sqrt(energy / static_cast<double>(n) / std::pow(10.0, snrDb / 10)), seed + 1);
    auto stereo = track.toInterleaved16();
    rec.samples.resize(stereo.size() / 2);
    for (std::size_t i = 0; i < rec.samples.size(); ++i) rec.samples[i] = stereo[2 * i];
    return rec;
}

// Our decoder: the left channel's ZVEI decoder alone, through the block dispatch.
std::vector<std::string> decodeOurs(const std::vector<std::int16_t>& mono, const kub::DecoderOptions& options) {
    kub::StreamClock clock(1.8e9);
    kub::HeadlessWindow window;
    kub::MonitorCore core(clock, window);
    core.context.options = options;
    core.left().decoders().switchOn({false, true, false});
    for (std::size_t at = 0; at < mono.size(); at += kub::kBlockFrames) {
        auto& block = core.dispatcher.captureBuffers[static_cast<std::size_t>(core.dispatcher.currentBuffer())];
        for (std::size_t k = 0; k < static_cast<std::size_t>(kub::kBlockFrames); ++k) {
            block[2 * k] = at + k < mono.size() ? mono[at + k] : std::int16_t{0};
            block[2 * k + 1] = 0;
        }
        clock.advanceFrames(kub::kBlockFrames);
        core.dispatcher.processCaptureBuffer();
    }
    std::vector<std::string> codes;
    for (const auto& l : window.receptionLines) {
        // ##ZVEI#12345#...
        codes.push_back(l.substr(7, l.find('#', 7) - 7));
    }
    return codes;
}

bool haveMultimon() {
    return std::system("command -v multimon-ng >/dev/null 2>&1") == 0;
}

std::string writeRaw(const std::vector<std::int16_t>& mono) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("bench-zvei-" + std::to_string(::getpid()) + ".raw")).string();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return {};
    std::fwrite(mono.data(), sizeof(std::int16_t), mono.size(), f);
    std::fclose(f);
    return path;
}

// multimon-ng's reading, its repeat tone 'E' put back as the digit it stands for.
std::vector<std::string> decodeMultimon(const std::string& rawPath) {
    std::vector<std::string> codes;
    const std::string cmd = "multimon-ng -q -t raw -a ZVEI1 '" + rawPath + "' 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(cmd.c_str(), "r"), pclose);
    if (!pipe) return codes;
    char line[256];
    while (std::fgets(line, sizeof line, pipe.get())) {
        std::string l(line);
        if (l.rfind("ZVEI1: ", 0) != 0) continue;
        std::string raw = l.substr(7);
        while (!raw.empty() && (raw.back() == '\n' || raw.back() == '\r' || raw.back() == ' ')) raw.pop_back();
        std::string code;
        for (char c : raw) code.push_back(c == 'E' && !code.empty() ? code.back() : c);
        codes.push_back(code);
    }
    return codes;
}

struct Score {
    int hits = 0;
    int wrong = 0;  // decoded codes that were not sent
};

// Codes sent in order against codes decoded in order.
Score score(const std::vector<std::string>& sent, const std::vector<std::string>& got) {
    Score s;
    std::size_t k = 0;
    for (const auto& g : got) {
        std::size_t m = k;
        while (m < sent.size() && sent[m] != g) ++m;
        if (m < sent.size()) {
            ++s.hits;
            k = m + 1;
        } else {
            ++s.wrong;
        }
    }
    return s;
}

double secondsSince(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int perPoint = argc > 1 ? std::max(20, std::atoi(argv[1])) : 40;
    const double minutes = argc > 2 ? std::atof(argv[2]) : 10.0;  // 0: no throughput run
    const bool multimon = haveMultimon();
    if (!multimon) std::printf("multimon-ng not installed: its columns stay empty\n");

    // Throughput on a long noisy recording with codes in it.
    if (minutes > 0) {
        const int codes = static_cast<int>(minutes * 60 / 1.0);
        Recording rec = makeRecording(codes, 20, 99);
        const double audioSeconds = static_cast<double>(rec.samples.size()) / 22050;
        auto t0 = Clock::now();
        auto got = decodeOurs(rec.samples, kub::DecoderOptions::allOn());
        const double ours = secondsSince(t0);
        t0 = Clock::now();
        auto gotClassic = decodeOurs(rec.samples, kub::DecoderOptions::classic());
        const double oursClassic = secondsSince(t0);
        std::printf("Throughput, %.0f s of audio (%d codes at 20 dB SNR):\n", audioSeconds, codes);
        std::printf("  kubmon ZVEI, options on %10.0f s audio per s  (%zu codes decoded)\n", audioSeconds / ours, got.size());
        std::printf("  kubmon ZVEI, classic    %10.0f s audio per s  (%zu codes decoded)\n", audioSeconds / oursClassic,
                    gotClassic.size());
        if (multimon) {
            const std::string raw = writeRaw(rec.samples);
            t0 = Clock::now();
            auto mm = decodeMultimon(raw);
            const double theirs = secondsSince(t0);
            std::filesystem::remove(raw);
            std::printf("  multimon-ng    %10.0f s audio per s  (%zu codes decoded; includes process start and file read)\n",
                        audioSeconds / theirs, mm.size());
        }
    }

    std::printf("\nDecode rate against SNR (white noise over the full 11 kHz band, %d codes per point):\n", perPoint);
    std::printf("  SNR dB   options on     wrong   classic    wrong   multimon-ng    wrong\n");
    for (int snr = 30; snr >= 0; snr -= 2) {
        Recording rec = makeRecording(perPoint, snr, 1000u + static_cast<unsigned>(snr));
        Score ours = score(rec.codes, decodeOurs(rec.samples, kub::DecoderOptions::allOn()));
        Score classic = score(rec.codes, decodeOurs(rec.samples, kub::DecoderOptions::classic()));
        std::printf("  %6d   %3d/%d %5.1f %%  %4d   %3d/%d  %4d", snr, ours.hits, perPoint, 100.0 * ours.hits / perPoint,
                    ours.wrong, classic.hits, perPoint, classic.wrong);
        if (multimon) {
            const std::string raw = writeRaw(rec.samples);
            Score theirs = score(rec.codes, decodeMultimon(raw));
            std::filesystem::remove(raw);
            std::printf("   %3d/%d %5.1f %%  %4d", theirs.hits, perPoint, 100.0 * theirs.hits / perPoint, theirs.wrong);
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    return 0;
}
