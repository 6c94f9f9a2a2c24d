// Throughput of the whole pipeline: the `kubmon decode` process on a long stereo
// recording with all six decoders on (process start, file read, block dispatch, both
// channels' FMS, ZVEI and POCSAG decoders), against multimon-ng with FMSFSK, ZVEI1 and
// POCSAG512/1200/2400 on the mono mix of the same content, both timed as whole processes.
//
//   bench_throughput [minutes of audio, default 30] [--keep FILE.wav: only write the recording]
//
// Wall clock and CPU time (user and system) of each process are both shown: on a machine
// shared with other work the CPU time is the steadier measure. `kubmon decode` decodes a
// file's right channel on a second core where there is one, which shortens the wall clock
// and costs some CPU time (two threads share the machine's caches); with --ein-kern it
// keeps to one thread, which is what the decoders themselves cost. Each process runs five
// times, the four by turns, and the median of each measure is shown.
//
// The recording cycles through FMS telegrams, ZVEI codes and POCSAG pages at each rate,
// taking turns between the channels, under white noise 20 dB below the signals.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include "siggen/fms_signal.h"
#include "siggen/pocsag_signal.h"
#include "siggen/stereo_track.h"
#include "siggen/zvei_signal.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Timed {
    double seconds = 0;     // wall clock
    double cpuSeconds = 0;  // user and system time of the process
    int lines = 0;
};

double childCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           1e-6 * static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec);
}

// Runs a shell command, counting the lines it prints that start with one of `prefixes`.
Timed runTimed(const std::string& command, const std::vector<std::string>& prefixes) {
    Timed t;
    const double cpu0 = childCpuSeconds();
    const auto t0 = Clock::now();
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return t;
    char line[4096];
    while (std::fgets(line, sizeof line, pipe.get())) {
        const std::string l(line);
        for (const auto& p : prefixes) {
            if (l.rfind(p, 0) == 0) {
                ++t.lines;
                break;
            }
        }
    }
    pipe.reset();
    t.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    t.cpuSeconds = childCpuSeconds() - cpu0;
    return t;
}

constexpr int kRuns = 5;

// The median run of each measure (taken apart: the run with the median wall time need not
// have the median CPU time).
Timed median(std::vector<Timed> runs) {
    Timed m;
    const auto mid = [&runs](auto member) {
        std::vector<double> v;
        for (const auto& r : runs) v.push_back(r.*member);
        std::nth_element(v.begin(), v.begin() + static_cast<long>(v.size() / 2), v.end());
        return v[v.size() / 2];
    };
    m.seconds = mid(&Timed::seconds);
    m.cpuSeconds = mid(&Timed::cpuSeconds);
    m.lines = runs.front().lines;
    return m;
}

siggen::StereoTrack makeTrack(double minutes, int& sent) {
    std::mt19937 rng(11);
    siggen::StereoTrack track;
    const auto total = static_cast<std::size_t>(minutes * 60.0 * siggen::kRate);
    std::size_t at = 11025;
    int item = 0;
    double energy = 0;
    std::size_t energySamples = 0;
    sent = 0;
    while (at < total) {
        const siggen::Side side = (item / 5) % 2 ? siggen::Side::Right : siggen::Side::Left;
        std::vector<float> s;
        switch (item % 5) {
            case 0: {
                siggen::FmsTelegram t;
                t.kennung = "623B" + std::to_string(1000 + rng() % 9000);
                t.status = static_cast<int>(rng() % 16);
                s = siggen::fmsTelegramSignal(t, 0.5);
                break;
            }
            case 1: {
                std::string code;
                for (int i = 0; i < 5; ++i) code.push_back(static_cast<char>('0' + rng() % 10));
                s = siggen::zveiSequence(code, 0.5);
                break;
            }
            default: {
                const double rates[] = {512.0, 1200.0, 2400.0};
                siggen::PocsagMessage m;
                m.ric = static_cast<std::uint32_t>(100000 + rng() % 1000000);
                m.function = static_cast<int>(rng() % 4);
                m.text = "Einsatz " + std::to_string(item) + " Brand Lagerhalle";
                s = siggen::pocsagSignal({m}, rates[item % 5 - 2], 0.5, false);
                break;
            }
        }
        for (float v : s) energy += static_cast<double>(v) * v;
        energySamples += s.size();
        track.mixAt(side, at, s);
        at += s.size() + 22050;
        ++item;
        ++sent;
    }
    track.mixAt(siggen::Side::Both, total, std::vector<float>(1, 0.0f));
    track.addNoise(std::sqrt(energy / static_cast<double>(energySamples) / 100.0), 12);
    return track;
}

}  // namespace

int main(int argc, char** argv) {
    const double minutes = argc > 1 ? std::max(1.0, std::atof(argv[1])) : 30.0;
    int sent = 0;
    const siggen::StereoTrack track = makeTrack(minutes, sent);
    const double audioSeconds = static_cast<double>(track.frames()) / siggen::kRate;

    const auto dir = std::filesystem::temp_directory_path() / ("bench-throughput-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string wav = (dir / "stereo.wav").string();
    const std::string raw = (dir / "mono.raw").string();
    std::string error;
    if (argc > 3 && std::string(argv[2]) == "--keep") {
        // For profiling the decoder on the very same recording.
        std::filesystem::remove_all(dir);
        return track.writeWav(argv[3], error) ? 0 : 1;
    }
    if (!track.writeWav(wav, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    {
        const auto pcm = track.toInterleaved16();
        std::vector<std::int16_t> mono(pcm.size() / 2);
        for (std::size_t i = 0; i < mono.size(); ++i) mono[i] = static_cast<std::int16_t>((pcm[2 * i] + pcm[2 * i + 1]) / 2);
        std::FILE* f = std::fopen(raw.c_str(), "wb");
        if (!f) return 1;
        std::fwrite(mono.data(), sizeof(std::int16_t), mono.size(), f);
        std::fclose(f);
    }

    std::printf("Throughput, %.0f s of audio (%d transmissions: FMS, ZVEI, POCSAG 512/1200/2400 by turns on\n"
                "the two channels, white noise 20 dB below), each a whole process from start to exit:\n",
                audioSeconds, sent);
    std::printf("  %-52s %9s %11s %9s %11s %8s\n", "decoder", "wall s", "audio s/s", "CPU s", "audio s/CPU s",
                "decoded");
    const auto row = [audioSeconds](const char* name, const Timed& t) {
        std::printf("  %-52s %9.2f %11.0f %9.2f %11.0f %8d\n", name, t.seconds, audioSeconds / t.seconds, t.cpuSeconds,
                    audioSeconds / t.cpuSeconds, t.lines);
    };
    const bool haveMultimon = std::system("command -v multimon-ng >/dev/null 2>&1") == 0;
    std::vector<Timed> ours, oneCore, classic, mm;
    for (int run = 0; run < kRuns; ++run) {
        ours.push_back(runTimed(std::string(KUBMON_EXE) + " decode '" + wav + "' 2>/dev/null", {"##"}));
        oneCore.push_back(runTimed(std::string(KUBMON_EXE) + " decode --ein-kern '" + wav + "' 2>/dev/null", {"##"}));
        classic.push_back(runTimed(std::string(KUBMON_EXE) + " decode --klassisch '" + wav + "' 2>/dev/null", {"##"}));
        if (haveMultimon)
            mm.push_back(runTimed("multimon-ng -q -t raw -a FMSFSK -a ZVEI1 -a POCSAG512 -a POCSAG1200 -a POCSAG2400 '" +
                                      raw + "' 2>/dev/null",
                                  {"FMS", "ZVEI1", "POCSAG"}));
    }
    const Timed oursMedian = median(ours);
    const Timed oneCoreMedian = median(oneCore);
    row("kubmon decode, stereo, six decoders, improvements on", oursMedian);
    row("the same, --ein-kern (one thread)", oneCoreMedian);
    row("kubmon decode --klassisch, stereo, six decoders", median(classic));
    if (haveMultimon) {
        const Timed mmMedian = median(mm);
        row("multimon-ng, mono mix, five demodulators", mmMedian);
        std::printf("  kubmon (improvements on) against multimon-ng: %.1f times as fast by CPU time, %.1f by wall clock\n",
                    mmMedian.cpuSeconds / oursMedian.cpuSeconds, mmMedian.seconds / oursMedian.seconds);
        std::printf("  with --ein-kern: %.1f times as fast by CPU time, %.1f by wall clock\n",
                    mmMedian.cpuSeconds / oneCoreMedian.cpuSeconds, mmMedian.seconds / oneCoreMedian.seconds);
    } else {
        std::printf("  multimon-ng not installed\n");
    }
    std::printf("  (median of %d runs each, the four processes by turns)\n", kRuns);
    std::filesystem::remove_all(dir);
    return 0;
}
