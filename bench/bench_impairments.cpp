// Decoding through what a real receiver does to the audio: mains hum, the whole signal
// off frequency, a loudspeaker path, a voice band, clipping, a quiet input, five-tone
// codes with short and long tones and with a pair of alarm tones behind them (2.5 s, as a
// fire brigade's siren control sends), and bit rates off by 1 %. Every case is made with our
// generator, white noise at 15 dB SNR added (the mean power of the transmissions over the
// noise power across 0..11025 Hz), and decoded three ways on the same samples: ours
// with the improvements on, ours classic (both through the whole monitor, all decoders of
// the channel on, as in the program) and multimon-ng (the protocol's own demodulator
// only). Right: transmissions decoded exactly; cut: pages with the RIC and function sent
// and a text that stops early but is the beginning of the text sent (so do multimon-ng's
// pages without an end-of-text mark, when what it printed is that beginning); wrong: receptions that were not sent
// (another code, Kennung, RIC or text), tone calls included; marked: pages that are the
// page sent apart from gaps marked "…" (the page says it is incomplete). Squelch flutter
// blanks 12 ms every 0.35 s. At the end, how many random words from noise the codeword
// check accepts with and without their soft bits.
//
//   bench_impairments [transmissions per case, default 20] [seed, default 1] [case filter] [SNR dB, default 15]
//
// The case filter picks the cases whose name holds the given text ("" for all); a lower
// SNR shows what an impairment costs near the decoders' limits.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "common/band_pass_filter.h"
#include "multimon_fms.h"
#include "decoders/pocsag/pocsag_bch.h"
#include "decoders/pocsag/pocsag_vouch.h"
#include "siggen/dropouts.h"
#include "siggen/fms_signal.h"
#include "siggen/impairments.h"
#include "siggen/pocsag_signal.h"
#include "siggen/zvei_signal.h"
#include "support/monitor_feed.h"

namespace {

constexpr double kRate = 22050.0;
constexpr double kAmplitude = 0.3;

enum class Proto { Fms, Zvei, Pocsag };

// One recording: the transmissions in it, as our export lines.
struct Tape {
    Proto proto = Proto::Fms;
    double pocsagRate = 0;
    std::vector<float> audio;
    std::vector<std::string> sent;
    double signalPower = 0;
};

struct Making {
    double toneMs = siggen::kZveiToneMs;  // five-tone codes
    double bitRateFactor = 1.0;           // POCSAG
    // Five-tone codes: a pair of alarm tones straight after each code (a fire brigade's
    // siren control), 0 for none.
    double pairLowHz = 0;
    double pairHighHz = 0;
};

void addTransmission(Tape& tape, const std::vector<float>& s, double& energy, std::size_t& count) {
    tape.audio.insert(tape.audio.end(), 8820, 0.0f);
    for (float v : s) energy += static_cast<double>(v) * v;
    count += s.size();
    tape.audio.insert(tape.audio.end(), s.begin(), s.end());
}

Tape makeTape(Proto proto, double pocsagRate, int n, unsigned seed, const Making& making) {
    Tape tape;
    // Three seconds before the first transmission: a monitor listens all day, and what is
    // always on the channel (hum) is known to it when a transmission comes.
    tape.audio.assign(3 * 22050, 0.0f);
    tape.proto = proto;
    tape.pocsagRate = pocsagRate;
    std::mt19937 rng(seed);
    double energy = 0;
    std::size_t count = 0;
    if (proto == Proto::Fms) {
        for (const auto& t : siggen::randomFmsTelegrams(n, rng)) {
            addTransmission(tape, siggen::fmsTelegramSignal(t, kAmplitude), energy, count);
            tape.sent.push_back("##FMS#" + t.kennung + "#" + std::to_string(t.status) + "#" + std::to_string(t.tki) +
                                std::to_string(t.direction) + "#+");
        }
    } else if (proto == Proto::Zvei) {
        for (int k = 0; k < n; ++k) {
            std::string code;
            for (int d = 0; d < 5; ++d) code += static_cast<char>('0' + rng() % 10);
            std::vector<float> s = siggen::zveiSequence(code, kAmplitude, making.toneMs);
            if (making.pairLowHz > 0) {
                auto pair = siggen::toneSignal(making.pairLowHz, 2500, kAmplitude / 2);
                const auto high = siggen::toneSignal(making.pairHighHz, 2500, kAmplitude / 2);
                for (std::size_t i = 0; i < pair.size() && i < high.size(); ++i) pair[i] += high[i];
                s.insert(s.end(), pair.begin(), pair.end());
            }
            addTransmission(tape, s, energy, count);
            tape.sent.push_back("##ZVEI#" + code + "##+");
        }
    } else {
        const char* words[] = {"Brand", "Einsatz", "Halle", "Strasse", "Uebung", "Verkehrsunfall", "Lkw", "B 27",
                               "Kreuzung", "Person", "eingeklemmt", "Rauchentwicklung", "Hoehe", "Nr. 12"};
        for (int k = 0; k < n; ++k) {
            const auto ric = static_cast<std::uint32_t>(1000000 + 1237 * k + rng() % 1000);
            const int function = static_cast<int>(rng() % 4);
            std::string text = "Alarm " + std::to_string(k) + ":";
            const int w = 2 + static_cast<int>(rng() % 5);
            for (int i = 0; i < w; ++i) text += std::string(" ") + words[rng() % 14];
            addTransmission(tape,
                            siggen::pocsagSignal({{ric, function, siggen::PocsagContent::Alpha, text}},
                                                 pocsagRate * making.bitRateFactor, kAmplitude, false),
                            energy, count);
            tape.sent.push_back("##POC#" + std::to_string(ric) + "#" + std::to_string(function) + "#" + text + "#+");
        }
    }
    tape.audio.insert(tape.audio.end(), 11025, 0.0f);
    tape.signalPower = energy / static_cast<double>(std::max<std::size_t>(count, 1));
    return tape;
}

void scale(std::vector<float>& x, double g) {
    for (float& v : x) v = static_cast<float>(v * g);
}

// Hum `db` relative to the transmissions' mean power.
void addHum(std::vector<float>& x, double hz, double db, double signalPower) {
    siggen::addHum(x, hz, signalPower * std::pow(10.0, db / 10.0));
}

// A copy of the signal `ms` later at `gain` added (one reflection: multipath, a second
// loudspeaker in the room).
void addEcho(std::vector<float>& x, double ms, double gain) {
    const auto d = static_cast<std::size_t>(std::lround(ms * kRate / 1000.0));
    for (std::size_t i = x.size(); i-- > d;) x[i] = static_cast<float>(x[i] + gain * x[i - d]);
}

// Through a steep voice channel (a radio's CTCSS filter): an eighth-order high-pass at 300 Hz.
void steepVoiceBand(std::vector<float>& x) {
    kub::BandPassFilter f(300, 3000, 8, 4);
    for (float& v : x) v = static_cast<float>(f.step(v));
}

// A sound card's input sitting off zero by a tenth of full scale.
void addDcOffset(std::vector<float>& x) {
    for (float& v : x) v += 0.1f;
}

// A receiver's or sound card's fast automatic gain control: the level is pulled to a fixed
// one with an attack and release of a few milliseconds, so runs of equal bits and the
// pauses between tones are lifted and the data's own levels pumped.
void fastAgc(std::vector<float>& x) {
    constexpr double kTarget = 0.3;
    const double attack = 1.0 - std::exp(-1.0 / (0.002 * kRate));
    const double release = 1.0 - std::exp(-1.0 / (0.010 * kRate));
    double envelope = kTarget;
    for (float& v : x) {
        const double a = std::fabs(v);
        envelope += (a > envelope ? attack : release) * (a - envelope);
        v = static_cast<float>(v * std::min(kTarget / std::max(envelope, 1e-3), 30.0));
    }
}

// Captured at `hz` (anti-alias low-pass below half of it) and brought back to 22050 Hz, as
// the program does with a sound card or file of that rate.
void capturedAt(std::vector<float>& x, double hz) {
    if (hz < kRate) {
        kub::BandPassFilter f(5, 0.45 * hz, 2, 8);
        for (float& v : x) v = static_cast<float>(f.step(v));
    }
    x = siggen::speedChanged(siggen::speedChanged(x, kRate / hz), hz / kRate);
}

bool haveSox() { return std::system("command -v sox >/dev/null 2>&1") == 0; }

// Through a codec with sox and back to 22050 Hz: `encode` are sox's output options and file
// type. False when sox is missing or fails. Repeatable (-R): sox dithers from a fixed seed,
// so that a row is the same from run to run.
bool throughCodec(std::vector<float>& x, const std::string& encode, const std::string& ext) {
    const std::string base =
        (std::filesystem::temp_directory_path() / ("bench-codec-" + std::to_string(::getpid()))).string();
    const std::string raw = base + ".raw", coded = base + "." + ext, back = base + "-back.raw";
    std::vector<std::int16_t> pcm(x.size());
    for (std::size_t i = 0; i < x.size(); ++i)
        pcm[i] = static_cast<std::int16_t>(std::clamp(std::nearbyint(x[i] * 32767.0), -32768.0, 32767.0));
    if (std::FILE* f = std::fopen(raw.c_str(), "wb")) {
        std::fwrite(pcm.data(), sizeof(std::int16_t), pcm.size(), f);
        std::fclose(f);
    }
    const std::string in = "-t raw -r 22050 -e signed -b 16 -c 1 ";
    const std::string command = "sox -R " + in + raw + " " + encode + " " + coded + " 2>/dev/null && sox -R " +
                                coded + " " + in + back + " 2>/dev/null";
    const bool ok = std::system(command.c_str()) == 0;
    std::vector<float> out;
    if (std::FILE* f = ok ? std::fopen(back.c_str(), "rb") : nullptr) {
        std::int16_t buf[4096];
        std::size_t got = 0;
        while ((got = std::fread(buf, sizeof(std::int16_t), 4096, f)) > 0)
            for (std::size_t i = 0; i < got; ++i) out.push_back(static_cast<float>(buf[i] / 32767.0));
        std::fclose(f);
    }
    for (const std::string& f : {raw, coded, back}) std::remove(f.c_str());
    if (out.empty()) return false;
    x = std::move(out);
    return true;
}

struct Case {
    std::string name;
    Proto proto;
    double pocsagRate;
    Making making;
    double speedFactor = 1.0;
    std::function<void(std::vector<float>&, double signalPower)> after;  // after the noise
};

struct Score {
    int right = 0;
    int cut = 0;  // a page with the right RIC and function whose text stops early
    int marked = 0;  // a page that is the page sent apart from gaps marked "…"
    int wrong = 0;
    std::vector<std::string> wrongLines;
};

// Whether `got` is `sent` with stretches left out, each marked "…".
bool sameApartFromGaps(const std::string& got, const std::string& sent) {
    static const std::string kGap = "\u2026";
    std::vector<std::string> pieces(1);
    for (std::size_t i = 0; i < got.size();) {
        if (got.compare(i, kGap.size(), kGap) == 0) {
            pieces.emplace_back();
            i += kGap.size();
        } else {
            pieces.back() += got[i++];
        }
    }
    if (pieces.size() < 2) return false;
    const std::string& last = pieces.back();
    if (sent.rfind(pieces.front(), 0) != 0 || sent.size() < pieces.front().size() + last.size() ||
        sent.compare(sent.size() - last.size(), last.size(), last) != 0)
        return false;
    std::size_t at = pieces.front().size();
    for (std::size_t k = 1; k + 1 < pieces.size(); ++k) {
        at = sent.find(pieces[k], at);
        if (at == std::string::npos) return false;
        at += pieces[k].size();
    }
    return at <= sent.size() - last.size();
}

Score score(const std::vector<std::string>& sent, const std::vector<std::string>& got) {
    std::map<std::string, int> wanted;
    for (const auto& s : sent) ++wanted[s];
    Score sc;
    for (const auto& g : got) {
        auto it = wanted.find(g);
        if (it != wanted.end() && it->second > 0) {
            --it->second;
            ++sc.right;
            continue;
        }
        bool marked = false;
        for (auto& [line, left] : wanted) {
            if (left > 0 && sameApartFromGaps(g, line)) {
                --left;
                marked = true;
                break;
            }
        }
        if (marked) {
            ++sc.marked;
            continue;
        }
        // A page whose text is the beginning of a page sent (at least its RIC and function).
        const std::string head = g.substr(0, g.size() >= 2 ? g.size() - 2 : 0);
        bool cut = false;
        if (g.rfind("##POC#", 0) == 0 && g.size() > 2 && g.compare(g.size() - 2, 2, "#+") == 0) {
            for (auto& [line, left] : wanted) {
                if (left > 0 && line.size() > head.size() && line.compare(0, head.size(), head) == 0 &&
                    std::count(head.begin(), head.end(), '#') >= 4) {
                    --left;
                    cut = true;
                    break;
                }
            }
        }
        if (cut) {
            ++sc.cut;
        } else {
            ++sc.wrong;
            sc.wrongLines.push_back(g);
        }
    }
    if (std::getenv("BENCH_MISSED"))
        for (auto& [line, left] : wanted)
            if (left > 0) std::fprintf(stderr, "  missed %s\n", line.c_str());
    return sc;
}

Score decodeOurs(const std::vector<float>& audio, const std::vector<std::string>& sent, const kub::DecoderOptions& o) {
    kub::test::MonitorFeed monitor(o);
    monitor.feed(audio);
    Score s = score(sent, monitor.lines());
    s.wrong += monitor.toneCalls("Tonruf I") + monitor.toneCalls("Tonruf II");
    return s;
}

bool haveMultimon() { return std::system("command -v multimon-ng >/dev/null 2>&1") == 0; }

// multimon-ng's lines turned into our export lines (FMS with correct check bits only).
std::vector<std::string> decodeMultimon(const std::vector<float>& audio, const Tape& tape, const std::string& raw) {
    std::vector<std::int16_t> pcm(audio.size());
    for (std::size_t i = 0; i < audio.size(); ++i) {
        pcm[i] = static_cast<std::int16_t>(std::clamp(std::nearbyint(audio[i] * 32767.0), -32768.0, 32767.0));
    }
    if (std::FILE* f = std::fopen(raw.c_str(), "wb")) {
        std::fwrite(pcm.data(), sizeof(std::int16_t), pcm.size(), f);
        std::fclose(f);
    }
    const std::string demod = tape.proto == Proto::Fms    ? "FMSFSK"
                              : tape.proto == Proto::Zvei ? "ZVEI1"
                                                          : "POCSAG" + std::to_string(static_cast<int>(tape.pocsagRate));
    std::vector<std::string> out;
    std::FILE* p = popen(("multimon-ng -q -t raw -a " + demod + " -f alpha " + raw + " 2>/dev/null").c_str(), "r");
    if (!p) return out;
    char buf[4096];
    while (std::fgets(buf, sizeof buf, p)) {
        std::string line(buf);
        while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) line.pop_back();
        if (const auto fms = readMultimonFms(line)) {
            if (line.find("CRC correct") == std::string::npos) continue;
            out.push_back("##FMS#" + fms->kennung + "#" + std::to_string(fms->status) + "#" +
                          std::to_string(fms->tki) + std::to_string(fms->direction) + "#+");
        } else if (line.rfind("ZVEI1: ", 0) == 0) {
            std::string code;
            for (char c : line.substr(7)) code.push_back(c == 'E' && !code.empty() ? code.back() : c);
            out.push_back("##ZVEI#" + code + "##+");
        } else if (line.find("Address:") != std::string::npos) {
            const auto a = line.find("Address:"), f = line.find("Function:"), t = line.find("Alpha:");
            if (f == std::string::npos) continue;
            std::string text;
            if (t != std::string::npos) {
                text = line.substr(t + 6);
                text.erase(0, text.find_first_not_of(' '));
                const auto eot = text.find("<EOT>");
                if (eot != std::string::npos) text = text.substr(0, eot);
            }
            out.push_back("##POC#" + std::to_string(std::atol(line.c_str() + a + 8)) + "#" +
                          std::to_string(std::atoi(line.c_str() + f + 9)) + "#" + text + "#+");
        }
    }
    pclose(p);
    return out;
}

std::vector<Case> allCases() {
    std::vector<Case> cases;
    const std::pair<const char*, std::pair<Proto, double>> protos[] = {
        {"FMS", {Proto::Fms, 0}}, {"ZVEI", {Proto::Zvei, 0}}, {"POCSAG 512", {Proto::Pocsag, 512}},
        {"POCSAG 1200", {Proto::Pocsag, 1200}}, {"POCSAG 2400", {Proto::Pocsag, 2400}}};
    for (const auto& [label, pr] : protos) {
        const std::string p = label;
        const Proto proto = pr.first;
        const double rate = pr.second;
        auto add = [&](const std::string& what, double speedFactor,
                       std::function<void(std::vector<float>&, double)> after, Making making = {}) {
            cases.push_back({p + ", " + what, proto, rate, making, speedFactor, std::move(after)});
        };
        add("noise only", 1.0, nullptr);
        add("hum 50 Hz -6 dB", 1.0, [](std::vector<float>& x, double s) { addHum(x, 50, -6, s); });
        add("hum 50 Hz 0 dB", 1.0, [](std::vector<float>& x, double s) { addHum(x, 50, 0, s); });
        add("hum 60 Hz 0 dB", 1.0, [](std::vector<float>& x, double s) { addHum(x, 60, 0, s); });
        for (double off : {-3.0, -1.0, 1.0, 3.0}) {
            char name[32];
            std::snprintf(name, sizeof name, "offset %+.0f %%", off);
            add(name, 1.0 + off / 100.0, nullptr);
        }
        add("loudspeaker path", 1.0, [](std::vector<float>& x, double) {
            const double before = siggen::meanPower(x);
            siggen::lowPassFirstOrder(x, 300);   // de-emphasis, 6 dB per octave above 300 Hz
            siggen::highPassFirstOrder(x, 300);  // AC coupling
            scale(x, std::sqrt(before / siggen::meanPower(x)));
        });
        add("voice band 300-3000 Hz", 1.0, [](std::vector<float>& x, double) {
            kub::BandPassFilter f(300, 3000, 4, 4);
            for (float& v : x) v = static_cast<float>(f.step(v));
        });
        add("echo 3 ms, half amplitude", 1.0, [](std::vector<float>& x, double) { addEcho(x, 3.0, 0.5); });
        add("voice band, steep 300 Hz high-pass", 1.0, [](std::vector<float>& x, double) { steepVoiceBand(x); });
        add("hum 50 Hz 0 dB + 2 % clock + voice band", 1.02, [](std::vector<float>& x, double s) {
            addHum(x, 50, 0, s);
            kub::BandPassFilter f(300, 3000, 4, 4);
            for (float& v : x) v = static_cast<float>(f.step(v));
        });
        add("DC offset 0.1", 1.0, [](std::vector<float>& x, double) { addDcOffset(x); });
        add("fast AGC", 1.0, [](std::vector<float>& x, double) { fastAgc(x); });
        add("captured at 8 kHz", 1.0, [](std::vector<float>& x, double) { capturedAt(x, 8000); });
        add("captured at 48 kHz", 1.0, [](std::vector<float>& x, double) { capturedAt(x, 48000); });
        if (haveSox()) {
            add("Vorbis stream (sox -C 0)", 1.0,
                [](std::vector<float>& x, double) { throughCodec(x, "-C 0", "ogg"); });
            add("GSM telephone line", 1.0, [](std::vector<float>& x, double) {
                throughCodec(x, "-r 8000 -e gsm-full-rate", "gsm");
            });
        }
        add("clipped (+18 dB)", 1.0, [](std::vector<float>& x, double) {
            for (float& v : x) v = std::clamp(v * 7.94f, -1.0f, 1.0f);
        });
        add("quiet (-40 dB)", 1.0, [](std::vector<float>& x, double) { scale(x, 0.01); });
        add("squelch flutter 12 ms / 0.35 s", 1.0, [](std::vector<float>& x, double) { siggen::addDropOuts(x, 12, 0.35); });
        if (proto == Proto::Pocsag) {
            for (double f : {0.99, 1.01}) {
                Making m;
                m.bitRateFactor = f;
                add(f < 1 ? "bit rate -1 %" : "bit rate +1 %", 1.0, nullptr, m);
            }
        }
        if (proto == Proto::Zvei) {
            for (double ms : {50.0, 55.0, 60.0, 90.0, 95.0, 100.0}) {
                Making m;
                m.toneMs = ms;
                add("tones of " + std::to_string(static_cast<int>(ms)) + " ms", 1.0, nullptr, m);
            }

        }
    }
    // Added behind all others: a case's recording is made from its place in the list, and
    // the rows published before keep theirs.
    for (const auto& [low, high] : {std::pair{675.0, 1240.0}, std::pair{675.0, 1860.0}, std::pair{1240.0, 1860.0}}) {
        Making m;
        m.pairLowHz = low;
        m.pairHighHz = high;
        cases.push_back({"ZVEI, alarm tones " + std::to_string(static_cast<int>(low)) + "+" +
                             std::to_string(static_cast<int>(high)) + " Hz after the code",
                         Proto::Zvei, 0, m, 1.0, nullptr});
    }
    return cases;
}

// Words sliced from noise (after the carrier, in a drop-out that is not silent): random
// bits with soft sizes |N(0, 1)|, at most 1. How many the check alone accepts, and how many
// the soft bits vouch for as well.
void randomCodewordCheck(unsigned seed) {
    constexpr int kWords = 1000000;
    std::mt19937 rng(seed);
    std::normal_distribution<double> gauss(0.0, 1.0);
    int checked = 0;
    int vouched = 0;
    for (int i = 0; i < kWords; ++i) {
        std::uint32_t word = 0;
        kub::SoftSizes sizes{};
        for (int bit = 0; bit < 32; ++bit) {
            const double soft = gauss(rng);
            word |= (soft > 0 ? 1u : 0u) << bit;
            sizes[static_cast<std::size_t>(bit)] = static_cast<float>(std::min(1.0, std::fabs(soft)));
        }
        const kub::CheckedCodeword c = kub::correctCodeword(word);
        if (c.check == kub::CodewordCheck::Failed) continue;
        ++checked;
        if (kub::vouchedFor(word, c, sizes)) ++vouched;
    }
    std::printf("\nRandom words from noise: %d of %d pass the check alone, %d are vouched for by their soft bits\n",
                checked, kWords, vouched);
}

}  // namespace

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 1u;
    const std::string filter = argc > 3 ? argv[3] : "";
    const double snrDb = argc > 4 ? std::atof(argv[4]) : 15.0;
    const bool multimon = haveMultimon();
    const std::string raw =
        (std::filesystem::temp_directory_path() / ("bench-impair-" + std::to_string(::getpid()) + ".raw")).string();

    std::printf("%d transmissions per case, %.0f dB SNR; right/sent and wrong%s\n\n", n, snrDb,
                multimon ? "" : " (multimon-ng not installed: its column stays empty)");
    std::printf("| Case | ours | wrong | classic | wrong | multimon-ng | wrong |\n");
    std::printf("|---|---|---|---|---|---|---|\n");
    unsigned k = 0;
    for (const Case& c : allCases()) {
        ++k;
        if (!filter.empty() && c.name.find(filter) == std::string::npos) continue;
        const Tape tape = makeTape(c.proto, c.pocsagRate, n, seed * 1000 + k, c.making);
        std::vector<float> audio = c.speedFactor == 1.0 ? tape.audio : siggen::speedChanged(tape.audio, c.speedFactor);
        std::mt19937 rng(seed * 7919 + k);
        std::normal_distribution<double> gauss(0.0, std::sqrt(tape.signalPower / std::pow(10.0, snrDb / 10.0)));
        for (float& v : audio) v = static_cast<float>(v + gauss(rng));
        if (c.after) c.after(audio, tape.signalPower);
        const Score ours = decodeOurs(audio, tape.sent, kub::DecoderOptions::allOn());
        const Score classic = decodeOurs(audio, tape.sent, kub::DecoderOptions::classic());
        const auto right = [n](const Score& sc) {
            return std::to_string(sc.right) + "/" + std::to_string(n) + (sc.marked ? " +" + std::to_string(sc.marked) + " marked" : "") +
                   (sc.cut ? " +" + std::to_string(sc.cut) + " cut" : "");
        };
        std::printf("| %s | %s | %d | %s | %d |", c.name.c_str(), right(ours).c_str(), ours.wrong, right(classic).c_str(),
                    classic.wrong);
        if (multimon) {
            const Score theirs = score(tape.sent, decodeMultimon(audio, tape, raw));
            std::printf(" %s | %d |", right(theirs).c_str(), theirs.wrong);
        } else {
            std::printf(" | |");
        }
        std::printf("\n");
        std::fflush(stdout);
        // What went wrong, to the error stream, so that the table stays clean.
        for (const auto& w : ours.wrongLines) std::fprintf(stderr, "  %s, ours wrong: %s\n", c.name.c_str(), w.c_str());
    }
    std::remove(raw.c_str());
    randomCodewordCheck(seed);
    return 0;
}
