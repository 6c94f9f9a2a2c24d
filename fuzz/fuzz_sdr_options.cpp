// An SDR command line and the channel list file, whatever they hold: every option is
// taken or refused with a German reason, every bad list line is named; what is taken
// holds together (channels inside the band, names and frequencies apart).

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "sdr/sdr_options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    std::vector<kub::SdrChannelEntry> listed;
    const auto wrong = kub::parseChannelList(text, "SDR-Kanaele.txt", listed);
    for (const auto& w : wrong)
        if (w.rfind("SDR-Kanaele.txt, Zeile ", 0) != 0) std::abort();
    for (const auto& c : listed)
        if (c.name.empty() || c.name.size() > kub::kSdrNameLength || c.frequency <= 0 || !(c.fms || c.zvei || c.pocsag))
            std::abort();

    // The same bytes as a command line, split at blanks.
    std::vector<std::string> args;
    std::string word;
    for (char c : text) {
        if (c == ' ' || c == '\n') {
            if (!word.empty()) args.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) args.push_back(word);
    kub::CommandOptions options;
    kub::SdrOptionReader reader;
    reader.addTo(options);
    if (const auto refused = options.parse(args)) {
        if (refused->kind == kub::CommandOptions::Refusal::Kind::BadValue && refused->text.empty()) std::abort();
        return 0;
    }
    kub::SdrOptions sdr;
    // A folder that does not exist: no list file is read from outside the input.
    const std::string why = reader.finish("/nonexistent-kub-fuzz", sdr);
    if (!why.empty()) return 0;
    std::set<std::string> names;
    std::set<std::int64_t> frequencies;
    for (const auto& c : sdr.channels) {
        if (!names.insert(c.name).second || !frequencies.insert(c.frequency).second) std::abort();
        const std::int64_t off = c.frequency > sdr.centre ? c.frequency - sdr.centre : sdr.centre - c.frequency;
        if (off > sdr.rate / 2 - kub::kSdrChannelHalfWidth) std::abort();
    }
    return 0;
}
