// POCSAG decoding: throughput of one channel's decoder, and the share of pages decoded
// exactly (RIC, function and text) against white noise, side by side with multimon-ng
// (with its default two-bit error correction, and with -b 0, no correction). Our decoder
// runs twice: with our improvements on (as the settings default) and classic. Beside the
// right pages each column counts the receptions with a RIC that was never sent.
//
//   bench_pocsag [pages per point, default 24] [rate] [mehrseitig]
//
// With "mehrseitig" the pages go out four to a transmission, as an alarm network sends
// an alarm to several units at once; each page is counted on its own.
//
// SNR is the mean power of the transmissions over the power of the noise across the
// whole band (0..11025 Hz). multimon-ng is skipped when it is not installed.

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "core/headless_window.h"
#include "core/reception_context.h"
#include "core/handling/pocsag_handling.h"
#include "decoders/pocsag/pocsag_decoder.h"
#include "siggen/pocsag_signal.h"

namespace {

using Page = std::tuple<std::string, int, std::string>;  // RIC, function, text

struct TestTape {
    std::vector<float> audio;
    std::vector<Page> pages;
    double signalPower = 0;
};

TestTape makeTape(double rate, int pages, unsigned seed, int perTransmission = 1) {
    TestTape tape;
    std::mt19937 rng(seed);
    const char* words[] = {"Brand", "Einsatz", "Halle", "Straße", "Übung", "Verkehrsunfall", "Lkw", "B 27",
                           "Kreuzung", "Person", "eingeklemmt", "Rauchentwicklung", "Höhe", "Nr. 12"};
    double energy = 0;
    std::size_t signalSamples = 0;
    std::vector<siggen::PocsagMessage> batch;
    for (int p = 0; p < pages; ++p) {
        const auto ric = static_cast<std::uint32_t>(1000000 + 1237 * p + (rng() % 1000));
        const int function = static_cast<int>(rng() % 4);
        std::string text = "Alarm " + std::to_string(p) + ":";
        const int n = 2 + static_cast<int>(rng() % 5);
        for (int w = 0; w < n; ++w) text += std::string(" ") + words[rng() % 14];
        // The German letters as the pager alphabet carries them, for multimon-ng's reading.
        tape.pages.emplace_back(std::to_string(ric), function, text);
        batch.push_back({ric, function, siggen::PocsagContent::Alpha, text});
        if (static_cast<int>(batch.size()) < perTransmission && p + 1 < pages) continue;
        const auto signal = siggen::pocsagSignal(batch, rate, 0.5, false);
        batch.clear();
        tape.audio.insert(tape.audio.end(), 11025, 0.0f);
        for (float s : signal) energy += static_cast<double>(s) * s;
        signalSamples += signal.size();
        tape.audio.insert(tape.audio.end(), signal.begin(), signal.end());
    }
    tape.audio.insert(tape.audio.end(), 11025, 0.0f);
    tape.signalPower = energy / static_cast<double>(signalSamples);
    return tape;
}

std::vector<std::int16_t> withNoise(const TestTape& tape, double snrDb, unsigned seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, std::sqrt(tape.signalPower / std::pow(10.0, snrDb / 10.0)));
    std::vector<std::int16_t> out(tape.audio.size());
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double v = (static_cast<double>(tape.audio[i]) + noise(rng)) * 32767.0;
        out[i] = static_cast<std::int16_t>(std::clamp(std::nearbyint(v), -32768.0, 32767.0));
    }
    return out;
}

// Our decoder on one channel; returns the export lines.
std::vector<std::string> decodeOurs(const std::vector<std::int16_t>& pcm, const kub::DecoderOptions& options,
                                    double* seconds = nullptr) {
    kub::HeadlessWindow window;
    kub::StreamClock clock(1796630400.0);
    kub::ReceptionContext context(clock, window);
    context.options = options;
    kub::BusyFlags flags;
    kub::PocsagDecoder decoder(context.options, flags);
    kub::PocsagRepeatMemory memory;
    kub::SampleArray samples;
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t at = 0; at < pcm.size(); at += kub::kBlockFrames) {
        for (std::size_t i = 0; i < static_cast<std::size_t>(kub::kBlockFrames); ++i) {
            samples[i] = at + i < pcm.size() ? pcm[at + i] : 0;
        }
        clock.advanceFrames(kub::kBlockFrames);
        decoder.process(samples);
        for (const kub::PocsagPageEvent& p : decoder.takeEvents()) kub::handlePocsagPage(context, memory, p, "left");
    }
    if (seconds) *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return window.receptionLines;
}

// The pager alphabet's German letters, as our decoder shows them; multimon-ng prints
// the plain ASCII characters instead.
std::string asPagerAscii(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == 0xC3 && i + 1 < text.size()) {
            switch (static_cast<unsigned char>(text[++i])) {
                case 0x84: out += '['; break;
                case 0x96: out += '\\'; break;
                case 0x9C: out += ']'; break;
                case 0xA4: out += '{'; break;
                case 0xB6: out += '|'; break;
                case 0xBC: out += '}'; break;
                case 0x9F: out += '~'; break;
                default: out += '?';
            }
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

struct Score {
    int right = 0;     // pages decoded exactly
    int wrongRic = 0;  // receptions with a RIC that was not sent
};

bool sentRic(const std::string& ric, const std::vector<Page>& pages) {
    for (const auto& page : pages) {
        if (std::get<0>(page) == ric) return true;
    }
    return false;
}

Score countOurs(const std::vector<std::string>& lines, const std::vector<Page>& pages) {
    std::multiset<std::string> got(lines.begin(), lines.end());
    Score score;
    for (const auto& [ric, function, text] : pages) {
        auto it = got.find("##POC#" + ric + "#" + std::to_string(function) + "#" + text + "#+");
        if (it != got.end()) {
            ++score.right;
            got.erase(it);
        }
    }
    for (const std::string& line : lines) {
        const std::string ric = line.substr(6, line.find('#', 6) - 6);
        if (!sentRic(ric, pages)) ++score.wrongRic;
    }
    return score;
}

bool haveMultimon() { return std::system("command -v multimon-ng >/dev/null 2>&1") == 0; }

// multimon-ng on a raw file; returns (RIC, function, text before the first <EOT>) lines.
std::multiset<std::string> runMultimon(const std::string& raw, double rate, const std::string& extra,
                                       double* seconds = nullptr) {
    const std::string cmd = "multimon-ng -q -t raw -a POCSAG" + std::to_string(static_cast<int>(rate)) +
                            " -f alpha " + extra + " " + raw + " 2>/dev/null";
    const auto start = std::chrono::steady_clock::now();
    FILE* p = popen(cmd.c_str(), "r");
    std::multiset<std::string> out;
    if (!p) return out;
    char buf[4096];
    while (std::fgets(buf, sizeof buf, p)) {
        std::string line(buf);
        const auto a = line.find("Address:"), f = line.find("Function:"), t = line.find("Alpha:");
        if (a == std::string::npos || f == std::string::npos) continue;
        const std::string ric = std::to_string(std::atol(line.c_str() + a + 8));
        const int function = std::atoi(line.c_str() + f + 9);
        std::string text;
        if (t != std::string::npos) {
            text = line.substr(t + 6);
            text.erase(0, text.find_first_not_of(' '));
            const auto eot = text.find("<EOT>");
            text = eot == std::string::npos ? "(unvollständig)" : text.substr(0, eot);
        }
        out.insert(ric + "#" + std::to_string(function) + "#" + text);
    }
    pclose(p);
    if (seconds) *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return out;
}

Score countMultimon(const std::multiset<std::string>& lines, const std::vector<Page>& pages) {
    std::multiset<std::string> got = lines;
    Score score;
    for (const auto& [ric, function, text] : pages) {
        auto it = got.find(ric + "#" + std::to_string(function) + "#" + asPagerAscii(text));
        if (it != got.end()) {
            ++score.right;
            got.erase(it);
        }
    }
    for (const std::string& line : lines) {
        if (!sentRic(line.substr(0, line.find('#')), pages)) ++score.wrongRic;
    }
    return score;
}

void printScore(const Score& s, int pages) { std::printf("  %3d/%d %4d", s.right, pages, s.wrongRic); }

void writeRaw(const std::string& path, const std::vector<std::int16_t>& pcm) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(pcm.data(), sizeof(std::int16_t), pcm.size(), f);
    std::fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
    const int pages = argc > 1 ? std::max(1, std::atoi(argv[1])) : 24;
    // Optional: only this rate (512, 1200 or 2400).
    const double onlyRate = argc > 2 ? std::atof(argv[2]) : 0;
    const int perTransmission = argc > 3 && std::string(argv[3]) == "mehrseitig" ? 4 : 1;
    const bool multimon = haveMultimon();
    const std::string raw = "/tmp/bench_pocsag_" + std::to_string(::getpid()) + ".raw";
    const kub::DecoderOptions improved = kub::DecoderOptions::allOn();
    const kub::DecoderOptions classic = kub::DecoderOptions::classic();
    std::vector<double> rates;
    for (double rate : {512.0, 1200.0, 2400.0}) {
        if (onlyRate == 0 || onlyRate == rate) rates.push_back(rate);
    }

    std::printf("Throughput (one channel, pages at 20 dB SNR with 0.5 s of noise between them):\n");
    for (double rate : rates) {
        const TestTape tape = makeTape(rate, pages, 99);
        const auto pcm = withNoise(tape, 20, 5);
        double ours = 0, plain = 0, theirs = 0;
        decodeOurs(pcm, improved, &ours);
        decodeOurs(pcm, classic, &plain);
        const double audio = static_cast<double>(pcm.size()) / 22050.0;
        std::printf("  %4.0f bit/s: %.1f s audio, ours %.3f s (%.0f x real time, %.1f us per 1024-sample block),"
                    " classic %.0f x real time",
                    rate, audio, ours, audio / ours, ours * 1e6 / (static_cast<double>(pcm.size()) / 1024),
                    audio / plain);
        if (multimon) {
            writeRaw(raw, pcm);
            runMultimon(raw, rate, "", &theirs);
            std::printf(", multimon-ng %.3f s (%.0f x real time)", theirs, audio / theirs);
        }
        std::printf("\n");
    }

    std::printf("\nPages decoded exactly (RIC, function, text) out of %d%s, and receptions with a RIC never sent:\n",
                pages, perTransmission > 1 ? ", four pages to a transmission" : "");
    for (double rate : rates) {
        const TestTape tape = makeTape(rate, pages, 1000 + static_cast<unsigned>(rate), perTransmission);
        std::printf("\n  %4.0f bit/s\n  SNR dB    ours  wrong   classic wrong", rate);
        if (multimon) std::printf("  multimon-ng wrong  mm -b 0 wrong");
        std::printf("\n");
        for (int snr = 30; snr >= 0; snr -= 2) {
            const auto pcm = withNoise(tape, snr, static_cast<unsigned>(snr) * 7 + 3);
            std::printf("  %5d", snr);
            printScore(countOurs(decodeOurs(pcm, improved), tape.pages), pages);
            printScore(countOurs(decodeOurs(pcm, classic), tape.pages), pages);
            if (multimon) {
                writeRaw(raw, pcm);
                printScore(countMultimon(runMultimon(raw, rate, ""), tape.pages), pages);
                printScore(countMultimon(runMultimon(raw, rate, "-b 0"), tape.pages), pages);
            }
            std::printf("\n");
            std::fflush(stdout);
        }
    }
    std::remove(raw.c_str());
    return 0;
}
