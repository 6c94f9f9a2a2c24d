#include "import/bos_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

#include "storage/text_file.h"

namespace kub {

namespace {

enum class Section { None, Ignored, Rufnamen, Selektiv };

Section sectionOf(const std::string& line, bool& isHeader) {
    static constexpr std::array<std::string_view, 12> kIgnored = {
        "[OrganisationenKurz]", "[BundeslandKurz]",   "[FahrzeugartKurz]",   "[Fahrzeugmeldungen]",
        "[Leitstellenmeldungen]", "[Ortskennungen]",  "[Selektiv-Record]",   "[Heimatfahrzeuge]",
        "[Selektiv-Execute]",   "[OrganisationenLang]", "[BundeslandLang]", "[FahrzeugartLang]"};
    isHeader = true;
    if (line == "[Rufnamen]") return Section::Rufnamen;
    if (line == "[Selektiv]") return Section::Selektiv;
    if (std::find(kIgnored.begin(), kIgnored.end(), line) != kIgnored.end()) return Section::Ignored;
    isHeader = false;
    return Section::None;
}

// Characters from position `from` (1-based), `count` of them, of a one-byte-per-character line.
std::string piece(const std::string& bytes, std::size_t from, std::size_t count = std::string::npos) {
    if (from - 1 >= bytes.size()) return {};
    return cp1252ToUtf8(std::string_view(bytes).substr(from - 1, count));
}

}  // namespace

bool readBosFile(const std::string& path, BosFile& out) {
    out = {};
    auto lines = readItemLines(path);
    if (!lines) return false;
    Section current = Section::None;
    for (const std::string& line : *lines) {
        bool isHeader = false;
        Section s = sectionOf(line, isHeader);
        if (isHeader) {
            current = s;
            continue;
        }
        // Positions count characters of the file's one-byte code page.
        const std::string bytes = utf8ToCp1252(line);
        if (current == Section::Rufnamen && bytes.size() > 16) {
            out.vehicles.push_back({piece(bytes, 1, 1) + piece(bytes, 3, 1) + piece(bytes, 5, 2) +
                                        piece(bytes, 8, 2) + piece(bytes, 11, 2),
                                    piece(bytes, 16)});
        } else if (current == Section::Selektiv && bytes.size() > 6) {
            out.receivers.push_back({piece(bytes, 1, 2) + piece(bytes, 4, 3), piece(bytes, 8)});
        }
    }
    return true;
}

bool isBosFilePath(const std::string& path) {
    std::string upper = path;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper.find(".BOS") != std::string::npos;
}

}  // namespace kub
