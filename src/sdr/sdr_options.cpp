#include "sdr/sdr_options.h"

#include <cmath>
#include <fstream>
#include <iterator>
#include <set>

#include "common/whole_number.h"

namespace kub {

namespace {

constexpr std::size_t kListFileBytes = 64 * 1024;
constexpr long kHighestPpm = 500;

std::string hz(std::int64_t f) { return std::to_string(f) + " Hz"; }

bool nameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

std::string parseDecoders(std::string_view list, SdrChannelEntry& out) {
    out.fms = out.zvei = out.pocsag = false;
    if (list.empty()) return "leere Decoderliste (erlaubt: fms, zvei, pocsag)";
    while (true) {
        const std::size_t comma = list.find(',');
        const std::string_view word = list.substr(0, comma);
        if (word == "fms") out.fms = true;
        else if (word == "zvei") out.zvei = true;
        else if (word == "pocsag") out.pocsag = true;
        else return "unbekannter Decoder \"" + std::string(word) + "\" (erlaubt: fms, zvei, pocsag)";
        if (comma == std::string_view::npos) return {};
        list.remove_prefix(comma + 1);
    }
}

}  // namespace

std::optional<std::int64_t> parseFrequency(std::string_view text) {
    std::int64_t unit = 1;
    if (!text.empty() && (text.back() == 'k' || text.back() == 'M')) {
        unit = text.back() == 'k' ? 1000 : 1000000;
        text.remove_suffix(1);
    }
    const std::size_t dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    const std::string_view fraction = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    // Digits only on both sides of the dot: wholeNumber would take a minus.
    for (std::string_view part : {whole, fraction})
        for (char c : part)
            if (c < '0' || c > '9') return std::nullopt;
    if (whole.empty() || (dot != std::string_view::npos && fraction.empty()) || fraction.size() > 6)
        return std::nullopt;
    const auto w = wholeNumber(whole, 0, 100000000000L / unit);
    if (!w) return std::nullopt;
    std::int64_t value = *w * unit;
    if (!fraction.empty()) {
        const auto f = wholeNumber(fraction, 0, 999999);
        if (!f) return std::nullopt;
        std::int64_t scale = 1;
        for (std::size_t i = 0; i < fraction.size(); ++i) scale *= 10;
        // A fraction finer than 1 Hz is a typing error, not a frequency.
        if ((*f * unit) % scale != 0) return std::nullopt;
        value += *f * unit / scale;
    }
    if (value <= 0) return std::nullopt;
    return value;
}

std::string parseChannel(std::string_view text, SdrChannelEntry& out, std::string* rest) {
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos) return "Kanal \"" + std::string(text) + "\" nicht in der Form NAME=FREQUENZ";
    const std::string_view name = text.substr(0, eq);
    if (name.empty() || name.size() > kSdrNameLength)
        return "Kanalname \"" + std::string(name) + "\" muss 1 bis 8 Zeichen lang sein";
    for (char c : name)
        if (!nameCharacter(c))
            return "Kanalname \"" + std::string(name) + "\" darf nur Buchstaben, Ziffern, - und _ enthalten";
    // The sound card's two channels carry these names.
    if (name == "left" || name == "right") return "Kanalname \"" + std::string(name) + "\" ist vergeben";
    std::string_view after = text.substr(eq + 1);
    const std::size_t colon = after.find(':');
    const std::string_view freq = after.substr(0, colon);
    const auto f = parseFrequency(freq);
    if (!f) return "Frequenz \"" + std::string(freq) + "\" von Kanal " + std::string(name) + " ungültig (z. B. 172.34M)";
    SdrChannelEntry entry;
    entry.name = std::string(name);
    entry.frequency = *f;
    if (rest) {
        *rest = colon == std::string_view::npos ? std::string() : std::string(after.substr(colon + 1));
    } else if (colon != std::string_view::npos) {
        if (std::string why = parseDecoders(after.substr(colon + 1), entry); !why.empty())
            return "Kanal " + entry.name + ": " + why;
    }
    out = std::move(entry);
    return {};
}

std::vector<std::string> parseChannelList(std::string_view text, const std::string& fileName,
                                          std::vector<SdrChannelEntry>& out) {
    std::vector<std::string> wrong;
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++number;
        if (const std::size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
        line = trimmed(line);
        if (line.empty()) continue;
        SdrChannelEntry entry;
        if (std::string why = parseChannel(line, entry); !why.empty())
            wrong.push_back(fileName + ", Zeile " + std::to_string(number) + ": " + why);
        else
            out.push_back(std::move(entry));
    }
    return wrong;
}

void SdrOptionReader::addTo(CommandOptions& options) {
    options.text("--sdr", opts_.source, [](const std::string& v) {
        return v.empty() ? std::string("--sdr braucht eine Quelle (-, Datei, cmd:..., soapy:...)") : std::string();
    });
    // A frequency option: its value, that it was given, and the example said when it is not one.
    auto frequency = [&options](const char* name, std::int64_t& to, bool& given, const char* what, const char* example) {
        options.value(name, [&to, &given, what, example](const std::string& v) {
            const auto f = parseFrequency(v);
            if (!f) return std::string(what) + " \"" + v + "\" ungültig (z. B. " + example + ")";
            to = *f;
            given = true;
            return std::string();
        });
    };
    frequency("--sdr-rate", opts_.rate, rateGiven_, "Abtastrate", "1024k, 2.4M");
    frequency("--sdr-mitte", opts_.centre, centreGiven_, "Mittenfrequenz", "172.6M");
    options.value("--kanal", [this](const std::string& v) {
        SdrChannelEntry entry;
        std::string why = parseChannel(v, entry);
        if (why.empty()) opts_.channels.push_back(std::move(entry));
        return why;
    });
    options.value("--ppm", [this](const std::string& v) {
        if (v == "auto") {
            opts_.ppmAuto = true;
            return std::string();
        }
        const auto n = wholeNumber(v, -kHighestPpm, kHighestPpm);
        if (!n) return "--ppm \"" + v + "\" ungültig (ganze Zahl von -500 bis 500 oder auto)";
        opts_.ppm = static_cast<double>(*n);
        return std::string();
    });
    options.text("--sdr-format", format_, [](const std::string& v) {
        return v == "cu8" || v == "cs16" || v == "cf32" ? std::string()
                                                        : "--sdr-format \"" + v + "\" unbekannt (cu8, cs16 oder cf32)";
    });
}

std::string SdrOptionReader::checkBand(const SdrOptions& o) {
    if (o.rate < kSdrLowestRate || o.rate > kSdrHighestRate)
        return "Abtastrate " + hz(o.rate) + " außerhalb von 50 kHz bis 20 MHz";
    if (o.centre <= 0) return "--sdr-mitte fehlt";
    if (o.channels.empty()) return "keine Kanäle";
    std::set<std::string> names;
    std::set<std::int64_t> frequencies;
    for (const SdrChannelEntry& c : o.channels) {
        if (!names.insert(c.name).second) return "Kanalname " + c.name + " doppelt";
        if (!frequencies.insert(c.frequency).second) return "Frequenz " + hz(c.frequency) + " doppelt (Kanal " + c.name + ")";
        const std::int64_t off = c.frequency > o.centre ? c.frequency - o.centre : o.centre - c.frequency;
        if (off > o.rate / 2 - kSdrChannelHalfWidth)
            return "Kanal " + c.name + " (" + hz(c.frequency) + ") liegt außerhalb des Empfangsbereichs " + hz(o.centre) +
                   " ± " + hz(o.rate / 2 - kSdrChannelHalfWidth);
    }
    return {};
}

std::string SdrOptionReader::finish(const std::string& programFolder, SdrOptions& out) {
    if (!rateGiven_) return "--sdr-rate fehlt";
    if (!centreGiven_) return "--sdr-mitte fehlt";
    if (format_.empty()) {
        const auto endsWith = [&](std::string_view e) {
            return opts_.source.size() >= e.size() && opts_.source.compare(opts_.source.size() - e.size(), e.size(), e) == 0;
        };
        opts_.format = endsWith(".cs16") ? IqFormat::Cs16 : endsWith(".cf32") ? IqFormat::Cf32 : IqFormat::Cu8;
    } else {
        opts_.format = format_ == "cs16" ? IqFormat::Cs16 : format_ == "cf32" ? IqFormat::Cf32 : IqFormat::Cu8;
    }
    if (opts_.channels.empty()) {
        const std::string path = (programFolder.empty() ? std::string(".") : programFolder) + "/" + kSdrChannelFile;
        std::ifstream in(path, std::ios::binary);
        if (!in)
            return "keine Kanäle: --kanal NAME=FREQUENZ angeben oder " + std::string(kSdrChannelFile) +
                   " im Programmordner anlegen";
        std::string text(kListFileBytes + 1, '\0');
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<std::size_t>(in.gcount()));
        if (text.size() > kListFileBytes) return path + " ist größer als 64 KiB";
        const auto wrong = parseChannelList(text, path, opts_.channels);
        if (!wrong.empty()) {
            std::string all;
            for (const auto& w : wrong) all += (all.empty() ? "" : "\n") + w;
            return all;
        }
        if (opts_.channels.empty()) return path + " enthält keinen Kanal";
    }
    if (std::string why = checkBand(opts_); !why.empty()) return why;
    out = opts_;
    return {};
}

}  // namespace kub
