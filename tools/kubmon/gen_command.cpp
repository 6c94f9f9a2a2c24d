// kubmon gen: writes test signals as a 22050 Hz stereo WAV file.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/stderr_line.h"
#include "commands.h"
#include "gen_items.h"
#include "siggen/stereo_track.h"
#include "usage.h"

namespace kubmon {

namespace {

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

bool parseDouble(const std::string& s, double& v) {
    char* end = nullptr;
    v = std::strtod(s.c_str(), &end);
    return !s.empty() && end && *end == '\0' && std::isfinite(v);
}

}  // namespace

int genCommand(const Args& args) {
    if (!args.empty() && args[0] == "iq") return genIqCommand(Args(args.begin() + 1, args.end()));
    GenOptions opt;
    double snrDb = NAN, noiseRms = 0.0;
    unsigned seed = 1;
    if (wantsHelp(args)) {
        genUsage(stdout);
        return 0;
    }
    std::size_t i = 0;
    for (; i < args.size() && args[i].rfind("--", 0) == 0; ++i) {
        const std::string& a = args[i];
        double v = 0;
        if (a == "--inverted") {
            opt.inverted = true;
        } else if ((a == "--amplitude" || a == "--snr" || a == "--noise" || a == "--seed") &&
                   i + 1 < args.size() && parseDouble(args[i + 1], v)) {
            if (a == "--amplitude") opt.amplitude = v;
            if (a == "--snr") snrDb = v;
            if (a == "--noise") noiseRms = v;
            if (a == "--seed") seed = static_cast<unsigned>(v);
            ++i;
        } else {
            kub::writeStderrLine("kubmon gen", "ungültige Option: " + a);
            return 2;
        }
    }
    if (i >= args.size()) {
        genUsage(stderr);
        return 2;
    }
    const std::string outPath = args[i++];

    siggen::StereoTrack track;
    siggen::Side side = siggen::Side::Left;
    std::size_t cursor[2] = {0, 0};
    double signalEnergy = 0;
    std::size_t signalSamples = 0;
    for (; i < args.size(); ++i) {
        const std::string& text = args[i];
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
                double ms = 0;
                if (item.fields.size() != 1 || !parseDouble(item.fields[0], ms) || ms < 0) {
                    kub::writeStderrLine("kubmon gen", "ungültige Pause: " + text);
                    return 2;
                }
                mono.assign(static_cast<std::size_t>(std::lround(ms * siggen::kRate / 1000.0)), 0.0f);
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
    if (noiseRms > 0) track.addNoise(noiseRms, seed);

    std::string error;
    if (!track.writeWav(outPath, error)) {
        kub::writeStderrLine("kubmon gen", error);
        return 2;
    }
    return 0;
}

}  // namespace kubmon
