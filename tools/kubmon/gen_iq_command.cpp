// kubmon gen iq: test IQ of several radio channels as an SDR stick delivers it (cu8),
// each channel with its own traffic in the items of `kubmon gen`, for tests and for
// trying the SDR options without a stick.

#include <cmath>
#include <string>

#include "commands.h"
#include "common/stderr_line.h"
#include "common/whole_number.h"
#include "gen_items.h"
#include "sdr/sdr_options.h"
#include "siggen/iq_track.h"

namespace kubmon {

namespace {

constexpr double kAudioRate = 22050.0;
// A transmitter keys up before its telegram and drops after it.
constexpr double kKeyUpSeconds = 0.15, kDropSeconds = 0.05;
// Quiet band before the first and after the last transmission.
constexpr double kEdgeSeconds = 0.25;

int fail(const std::string& line) {
    kub::writeStderrLine("kubmon gen iq", line);
    return 2;
}

GenItem itemOf(const std::string& text) {
    GenItem item;
    std::size_t start = 0, colon = 0;
    do {
        colon = text.find(':', start);
        std::string part = text.substr(start, colon == std::string::npos ? colon : colon - start);
        if (start == 0) item.kind = std::move(part);
        else item.fields.push_back(std::move(part));
        start = colon + 1;
    } while (colon != std::string::npos);
    return item;
}

struct Planned {
    kub::SdrChannelEntry entry;
    siggen::IqChannel iq;
    std::size_t cursor = static_cast<std::size_t>(kEdgeSeconds * kAudioRate);
};

// One item on a channel: a pause, or a transmission with its carrier keyed around it.
std::string addItem(Planned& p, const std::string& text) {
    GenItem item = itemOf(text);
    std::vector<float> mono;
    std::string error;
    if (item.kind == "gap") {
        const auto ms = item.fields.size() == 1 ? kub::wholeNumber(item.fields[0], 0, 600000) : std::nullopt;
        if (!ms) return "ungültige Pause: " + text;
        p.cursor += static_cast<std::size_t>(static_cast<double>(*ms) * kAudioRate / 1000.0);
        return {};
    }
    GenOptions opt;
    if (!genFmsItem(item, opt, mono, error) || !genZveiItem(item, opt, mono, error) ||
        !genPocsagItem(item, opt, mono, error))
        return text + ": " + error;
    if (mono.empty()) return "unbekanntes Element: " + text;
    const auto lead = static_cast<std::size_t>(kKeyUpSeconds * kAudioRate);
    const auto tail = static_cast<std::size_t>(kDropSeconds * kAudioRate);
    const std::size_t end = p.cursor + lead + mono.size() + tail;
    p.iq.audio.resize(std::max(p.iq.audio.size(), end), 0.0f);
    p.iq.carrier.resize(p.iq.audio.size(), false);
    std::copy(mono.begin(), mono.end(), p.iq.audio.begin() + static_cast<std::ptrdiff_t>(p.cursor + lead));
    std::fill(p.iq.carrier.begin() + static_cast<std::ptrdiff_t>(p.cursor), p.iq.carrier.begin() + static_cast<std::ptrdiff_t>(end),
              true);
    p.cursor = end;
    return {};
}

void usage(std::FILE* to) {
    std::fprintf(to,
                 "Aufruf: kubmon gen iq AUSGABE.cu8 --sdr-rate HZ --sdr-mitte HZ\n"
                 "                      --kanal NAME=FREQ[:ELEMENT] [ELEMENT...] [--kanal ...]\n"
                 "                      [--snr DB] [--ppm N] [--pegel NAME=DB] [--seed N]\n"
                 "Schreibt IQ-Daten (8 Bit I/Q wie rtl_sdr) mit FM-modulierten Aussendungen auf\n"
                 "mehreren Kanälen; die Elemente nach einem --kanal (wie bei kubmon gen, z. B.\n"
                 "fms:62341234:3:0:0, zvei:12345, poc1200:1234567:0:Text, gap:MS) sendet dieser\n"
                 "Kanal nacheinander, jede Aussendung mit eigenem Träger.\n"
                 "  --snr DB      Träger zu Rauschen in 12,5 kHz Bandbreite (Vorgabe 30)\n"
                 "  --ppm N       Quarzfehler des simulierten Sticks in ppm (Vorgabe 0)\n"
                 "  --pegel N=DB  Kanal N um DB lauter (oder leiser) als die anderen\n"
                 "  --seed N      Startwert des Rauschens (Vorgabe 1)\n");
}

}  // namespace

int genIqCommand(const Args& args) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        usage(args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    kub::SdrOptions band;
    std::vector<Planned> channels;
    long snr = 30, ppm = 0, seed = 1;
    std::vector<std::pair<std::string, long>> levels;
    std::string out;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool option = a.rfind("--", 0) == 0;
        if (option && i + 1 >= args.size()) return fail("Wert fehlt: " + a);
        if (a == "--sdr-rate" || a == "--sdr-mitte") {
            const auto f = kub::parseFrequency(args[++i]);
            if (!f) return fail("Frequenz ungültig: " + args[i]);
            (a == "--sdr-rate" ? band.rate : band.centre) = *f;
        } else if (a == "--snr" || a == "--ppm" || a == "--seed") {
            const auto n = kub::wholeNumber(args[++i], a == "--seed" ? 0 : -500, a == "--seed" ? 1000000000L : 500);
            if (!n) return fail(a + " ungültig: " + args[i]);
            (a == "--snr" ? snr : a == "--ppm" ? ppm : seed) = *n;
        } else if (a == "--pegel") {
            const std::string& v = args[++i];
            const std::size_t eq = v.find('=');
            const auto db = eq == std::string::npos ? std::nullopt : kub::wholeNumber(v.substr(eq + 1), -60, 60);
            if (!db) return fail("--pegel ungültig (NAME=DB): " + v);
            levels.emplace_back(v.substr(0, eq), *db);
        } else if (a == "--kanal") {
            Planned p;
            std::string first;
            if (std::string why = kub::parseChannel(args[++i], p.entry, &first); !why.empty()) return fail(why);
            channels.push_back(std::move(p));
            if (!first.empty())
                if (std::string why = addItem(channels.back(), first); !why.empty()) return fail(why);
        } else if (option) {
            return fail("ungültige Option: " + a);
        } else if (out.empty()) {
            out = a;
        } else if (channels.empty()) {
            return fail("Element vor dem ersten --kanal: " + a);
        } else if (std::string why = addItem(channels.back(), a); !why.empty()) {
            return fail(why);
        }
    }
    if (out.empty()) return fail("keine Ausgabedatei angegeben");
    for (const Planned& p : channels) band.channels.push_back(p.entry);
    if (std::string why = kub::SdrOptionReader::checkBand(band); !why.empty()) return fail(why);

    std::vector<siggen::IqChannel> iq;
    for (Planned& p : channels) {
        // A crystal fast by e ppm shows a carrier at f about e ppm of f lower.
        const double f = static_cast<double>(p.entry.frequency);
        p.iq.offset = f - static_cast<double>(band.centre) - static_cast<double>(ppm) * 1e-6 * f;
        p.iq.audio.resize(p.cursor + static_cast<std::size_t>(kEdgeSeconds * kAudioRate), 0.0f);
        p.iq.carrier.resize(p.iq.audio.size(), false);
        for (const auto& [name, db] : levels)
            if (name == p.entry.name) p.iq.levelDb = static_cast<double>(db);
        iq.push_back(std::move(p.iq));
    }
    siggen::IqTrackOptions options;
    options.rate = static_cast<double>(band.rate);
    options.cnrDb = static_cast<double>(snr);
    options.seed = static_cast<std::uint64_t>(seed);
    siggen::IqTrack track(options, std::move(iq));
    std::string error;
    if (!siggen::writeIqFile(track, out.c_str(), error)) return fail(error);
    return 0;
}

}  // namespace kubmon
