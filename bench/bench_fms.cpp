// FMS decoder measurements: throughput (seconds of audio decoded per second) and the
// share of telegrams decoded against the signal-to-noise ratio, side by side with
// multimon-ng's FMSFSK demodulator on the same audio (when it is installed).
//   ./build/bench/bench_fms [telegrams per SNR point, default 20] [seed, default 1] [--no-throughput]
//                           [--snr=DB (only this point)]
// Ours is run twice on every file: with all decoder options on (input filter, check
// bits) and the classic way. A wrong reception is one whose Kennung, status, direction
// or TKI was not sent.
// SNR is the mean power of the FSK signal over the white-noise power in the full
// 0..11025 Hz band.

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/headless_window.h"
#include "core/reception_context.h"
#include "core/handling/fms_handling.h"
#include "decoders/fms/fms_decoder.h"
#include "multimon_fms.h"
#include "siggen/fms_signal.h"

namespace {

struct Sent {
    siggen::FmsTelegram telegram;
    std::string line;  // our export line
    std::string key;   // Kennung, status, direction, TKI as multimon-ng shows them
};

std::string keyOf(const std::string& kennung, int status, int direction, int tki) {
    return kennung + "/" + std::to_string(status) + "/" + std::to_string(direction) + "/" + std::to_string(tki);
}

std::vector<Sent> randomTelegrams(int n, std::mt19937& rng) {
    std::vector<Sent> out;
    for (const siggen::FmsTelegram& t : siggen::randomFmsTelegrams(n, rng)) {
        const std::string line = "##FMS#" + t.kennung + "#" + std::to_string(t.status) + "#" +
                                 std::to_string(t.tki) + std::to_string(t.direction) + "#+";
        out.push_back({t, line, keyOf(t.kennung, t.status, t.direction, t.tki)});
    }
    return out;
}

// Telegrams 300 ms apart with white noise at the given SNR; 16-bit sample values.
std::vector<double> buildAudio(const std::vector<Sent>& sent, double snrDb, std::mt19937& rng) {
    std::vector<double> audio(6615, 0.0);
    double power = 0;
    std::size_t signalSamples = 0;
    for (const Sent& s : sent) {
        auto sig = siggen::fmsTelegramSignal(s.telegram, 0.3);
        for (float v : sig) {
            audio.push_back(v * 32767.0);
            power += (v * 32767.0) * (v * 32767.0);
        }
        signalSamples += sig.size();
        audio.resize(audio.size() + 6615, 0.0);
    }
    power /= static_cast<double>(signalSamples);
    const double rms = std::sqrt(power / std::pow(10.0, snrDb / 10.0));
    std::normal_distribution<double> gauss(0.0, rms);
    for (double& v : audio) v = std::clamp(std::round(v + gauss(rng)), -32768.0, 32767.0);
    return audio;
}

std::vector<std::string> decodeOurs(const std::vector<double>& audio, const kub::DecoderOptions& options) {
    kub::ManualClock clock(0);
    kub::HeadlessWindow window;
    window.setRowLimit(10);
    kub::ReceptionContext context(clock, window);
    context.options = options;
    kub::BusyFlags flags;
    kub::FmsDecoder decoder(context.options, flags);
    const std::size_t blocks = audio.size() / kub::kBlockFrames + 22;
    kub::SampleArray samples;
    for (std::size_t b = 0; b < blocks; ++b) {
        for (std::size_t i = 0; i < static_cast<std::size_t>(kub::kBlockFrames); ++i) {
            const std::size_t at = b * kub::kBlockFrames + i;
            samples[i] = at < audio.size() ? audio[at] : 0.0;
        }
        decoder.process(samples);
        for (const kub::FmsEvent& e : decoder.takeEvents()) kub::handleFmsEvent(context, e, "left");
    }
    return window.receptionLines;
}

bool haveMultimon() { return std::system("command -v multimon-ng >/dev/null 2>&1") == 0; }

// Keys of multimon-ng's FMS lines with correct check bits, and how many it printed.
std::vector<std::string> decodeMultimon(const std::vector<double>& audio, const std::string& rawPath, int& printed) {
    std::vector<std::int16_t> pcm(audio.size());
    for (std::size_t i = 0; i < audio.size(); ++i) pcm[i] = static_cast<std::int16_t>(audio[i]);
    std::FILE* f = std::fopen(rawPath.c_str(), "wb");
    if (!f) return {};
    std::fwrite(pcm.data(), sizeof(std::int16_t), pcm.size(), f);
    std::fclose(f);
    std::vector<std::string> keys;
    printed = 0;
    std::FILE* p = popen(("multimon-ng -q -t raw -a FMSFSK " + rawPath + " 2>/dev/null").c_str(), "r");
    if (!p) return keys;
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) {
        const std::string line = buf;
        const auto t = readMultimonFms(line);
        if (!t) continue;
        ++printed;
        if (line.find("CRC correct") == std::string::npos) continue;
        keys.push_back(keyOf(t->kennung, t->status, t->direction, t->tki));
    }
    pclose(p);
    return keys;
}

// How many sent telegrams were received (each counted once) and how many receptions
// matched nothing sent.
std::pair<int, int> score(const std::vector<std::string>& sent, const std::vector<std::string>& got, const char* who) {
    std::map<std::string, int> wanted;
    for (const auto& s : sent) ++wanted[s];
    int hits = 0, wrong = 0;
    for (const auto& g : got) {
        auto it = wanted.find(g);
        if (it != wanted.end() && it->second > 0) {
            --it->second;
            ++hits;
        } else {
            ++wrong;
            std::fprintf(stderr, "  %s wrong: %s\n", who, g.c_str());
        }
    }
    return {hits, wrong};
}

}  // namespace

int main(int argc, char** argv) {
    const int perPoint = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 1u;
    bool skipThroughput = false;
    int onlySnr = -1;
    for (int i = 3; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--no-throughput") skipThroughput = true;
        if (a.rfind("--snr=", 0) == 0) onlySnr = std::atoi(a.c_str() + 6);
    }
    std::mt19937 rng(seed);

    // Throughput: 10 minutes of audio, telegrams in noise at 20 dB.
    if (!skipThroughput) {
        auto sent = randomTelegrams(1500, rng);
        auto audio = buildAudio(sent, 20.0, rng);
        const auto t0 = std::chrono::steady_clock::now();
        const auto got = decodeOurs(audio, kub::DecoderOptions::allOn());
        const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        const auto t1 = std::chrono::steady_clock::now();
        const auto gotClassic = decodeOurs(audio, kub::DecoderOptions::classic());
        const double secsClassic = std::chrono::duration<double>(std::chrono::steady_clock::now() - t1).count();
        const double audioSecs = static_cast<double>(audio.size()) / kub::kSampleRate;
        std::printf("throughput, options on: %.0f s of audio in %.3f s = %.0f x real time (one channel, %zu receptions)\n",
                    audioSecs, secs, audioSecs / secs, got.size());
        std::printf("throughput, classic:    %.0f s of audio in %.3f s = %.0f x real time (one channel, %zu receptions)\n",
                    audioSecs, secsClassic, audioSecs / secsClassic, gotClassic.size());
    }

    const bool multimon = haveMultimon();
    const std::string raw = (std::filesystem::temp_directory_path() / "bench_fms.raw").string();
    std::printf("\ndecode rate, %d telegrams per point (ours: exact export line; multimon-ng: CRC correct)\n",
                perPoint);
    std::printf("SNR dB   ours (options on)   ours classic   multimon-ng%s\n", multimon ? "" : " (not installed)");
    std::printf("          right  wrong      right  wrong   right  wrong\n");
    for (int snr = onlySnr >= 0 ? onlySnr : 30; snr >= 0; snr -= onlySnr >= 0 ? 1000 : 2) {
        auto sent = randomTelegrams(perPoint, rng);
        auto audio = buildAudio(sent, snr, rng);
        std::vector<std::string> lines, keys;
        for (const auto& s : sent) {
            lines.push_back(s.line);
            keys.push_back(s.key);
        }
        const auto ours = score(lines, decodeOurs(audio, kub::DecoderOptions::allOn()), "ours");
        const auto classic = score(lines, decodeOurs(audio, kub::DecoderOptions::classic()), "classic");
        std::printf("%6d  %5d/%d  %5d   %5d/%d  %5d", snr, ours.first, perPoint, ours.second, classic.first, perPoint,
                    classic.second);
        if (multimon) {
            int printed = 0;
            const auto theirs = score(keys, decodeMultimon(audio, raw, printed), "multimon-ng");
            std::printf("  %3d/%d  %5d", theirs.first, perPoint, theirs.second);
        }
        std::printf("\n");
    }
    std::remove(raw.c_str());
    return 0;
}
