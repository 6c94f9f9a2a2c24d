// kubmon gen: writes test signals as a 22050 Hz stereo WAV file.

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "common/command_options.h"
#include "common/decimal_number.h"
#include "common/stderr_line.h"
#include "commands.h"
#include "gen_items.h"
#include "siggen/stereo_track.h"
#include "usage.h"

namespace kubmon {

namespace {

constexpr double kMaxGapMs = 86400.0 * 1000.0;

void genUsage(std::FILE* to) {
    std::fprintf(to,
                 "Aufruf: kubmon gen [Optionen] AUSGABE.wav ELEMENT...\n"
                 "Optionen:\n"
                 "  --amplitude A   Signalamplitude, Vollaussteuerung = 1.0 (Vorgabe 0.5)\n"
                 "  --inverted      POCSAG mit umgekehrter Polarität (1-Bit auf hohem Pegel)\n"
                 "  --snr DB        weißes Rauschen auf beiden Kanälen, Abstand zur mittleren\n"
                 "                  Signalleistung in dB\n"
                 "  --noise RMS     weißes Rauschen mit diesem Effektivwert (Vollaussteuerung 1.0)\n"
                 "  --seed N        Startwert des Rauschens (Vorgabe 1)\n"
                 "Elemente (nacheinander; jeder Kanal hat seine eigene Schreibposition):\n"
                 "  left | right | both   folgende Elemente auf diesen Kanal/diese Kanäle\n"
                 "  gap:MS                Pause auf dem gewählten Kanal\n"
                 "  sync                  beide Kanäle auf die spätere Position bringen\n"
                 "%s%s%s",
                 kFmsItemHelp, kZveiItemHelp, kPocsagItemHelp);
}

GenItem splitItem(const std::string& text) {
    GenItem item;
    std::size_t start = 0;
    bool first = true;
    while (true) {
        std::size_t colon = text.find(':', start);
        std::string part = text.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (first) {
            item.kind = part;
            first = false;
        } else {
            item.fields.push_back(part);
        }
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return item;
}

}  // namespace

int genCommand(const Args& args) {
    if (!args.empty() && args[0] == "iq") return genIqCommand(Args(args.begin() + 1, args.end()));
    if (wantsHelp(args)) {
        genUsage(stdout);
        return 0;
    }
    GenOptions opt;
    double snrDb = NAN, noiseRms = 0.0;
    int seed = 1;
    std::vector<std::string> words;  // AUSGABE.wav, then the items
    constexpr double kLowest = std::numeric_limits<double>::lowest();
    constexpr double kHighest = std::numeric_limits<double>::max();
    // A bad value is said as the option it belongs to, as an unknown option is.
    kub::CommandOptions options;
    options.flag("--inverted", opt.inverted)
        .decimal("--amplitude", opt.amplitude, kLowest, kHighest, "--amplitude")
        .decimal("--snr", snrDb, kLowest, kHighest, "--snr")
        .decimal("--noise", noiseRms, kLowest, kHighest, "--noise")
        .number("--seed", seed, 0, std::numeric_limits<int>::max(), "--seed")
        .words(words);
    if (const auto refused = options.parse(args)) {
        kub::writeStderrLine("kubmon gen", "ungültige Option: " + refused->text);
        return 2;
    }
    if (words.empty()) {
        genUsage(stderr);
        return 2;
    }
    const std::string& outPath = words.front();

    siggen::StereoTrack track;
    siggen::Side side = siggen::Side::Left;
    std::size_t cursor[2] = {0, 0};
    double signalEnergy = 0;
    std::size_t signalSamples = 0;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& text = words[i];
        if (text == "left") side = siggen::Side::Left;
        else if (text == "right") side = siggen::Side::Right;
        else if (text == "both") side = siggen::Side::Both;
        else if (text == "sync") cursor[0] = cursor[1] = std::max(cursor[0], cursor[1]);
        else {
            GenItem item = splitItem(text);
            std::vector<float> mono;
            std::string error;
            bool known = true;
            if (item.kind == "gap") {
                // A day of silence at most: more is a typing slip, not a test signal.
                const auto ms = item.fields.size() == 1 ? kub::decimalNumber(item.fields[0], 0, kMaxGapMs) : std::nullopt;
                if (!ms) {
                    kub::writeStderrLine("kubmon gen", "ungültige Pause: " + text);
                    return 2;
                }
                mono.assign(static_cast<std::size_t>(std::lround(*ms * siggen::kRate / 1000.0)), 0.0f);
            } else if (!genFmsItem(item, opt, mono, error) || !genZveiItem(item, opt, mono, error) ||
                       !genPocsagItem(item, opt, mono, error)) {
                kub::writeStderrLine("kubmon gen", text + ": " + error);
                return 2;
            } else if (mono.empty()) {
                known = false;
            }
            if (!known) {
                kub::writeStderrLine("kubmon gen", "unbekanntes Element: " + text);
                return 2;
            }
            std::size_t at = side == siggen::Side::Right ? cursor[1]
                             : side == siggen::Side::Left ? cursor[0]
                                                          : std::max(cursor[0], cursor[1]);
            track.mixAt(side, at, mono);
            if (item.kind != "gap") {
                for (float s : mono) signalEnergy += static_cast<double>(s) * s;
                signalSamples += mono.size();
            }
            if (side != siggen::Side::Right) cursor[0] = at + mono.size();
            if (side != siggen::Side::Left) cursor[1] = at + mono.size();
        }
    }
    if (!std::isnan(snrDb) && signalSamples > 0) {
        const double power = signalEnergy / static_cast<double>(signalSamples);
        noiseRms = std::sqrt(power / std::pow(10.0, snrDb / 10.0));
    }
    if (noiseRms > 0) track.addNoise(noiseRms, static_cast<unsigned>(seed));

    std::string error;
    if (!track.writeWav(outPath, error)) {
        kub::writeStderrLine("kubmon gen", error);
        return 2;
    }
    return 0;
}

}  // namespace kubmon
