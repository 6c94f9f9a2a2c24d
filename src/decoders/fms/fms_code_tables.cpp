#include "decoders/fms/fms_code_tables.h"

#include <array>

namespace kub {

namespace {

constexpr std::array<const char*, 16> kOrganisations = {
    "Sonstige",   "Polizei",  "BGS",  "BKA",            "Katastrophenschutz", "Zoll",
    "Feuerwehr",  "THW",      "ASB",  "DRK",            "Johanniter",         "Malteser",
    "DLRG",       "Rettungsdienst",   "Zivilschutz",    "Fernwirktel."};

constexpr std::array<const char*, 16> kStates = {
    "Sachsen",    "Bund",        "Bad-Würt", "Bay I",  "Berlin", "Bremen",
    "Hamburg",    "Hessen",      "Nieders",  "Nord-Westf", "Rheinla-Pf", "Schlesw-Hol",
    "Saarland",   "Bay II",      "S/Meckl",  "Th/Brandenb"};

constexpr std::array<const char*, 16> kStatusLetters = {
    "0", "A", "E", "C", "F", "H", "J", "L", "P", "U", "c", "d", "h", "o", "u", "Quittung"};

int digitValue(const std::string& hex) {
    if (hex.size() != 1) return -1;
    const char c = hex[0];
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::size_t characters(const std::string& utf8) {
    std::size_t n = 0;
    for (unsigned char c : utf8)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

std::string padded(const char* text, std::size_t width) {
    std::string s = text;
    for (std::size_t n = characters(s); n < width; ++n) s.push_back(' ');
    return s;
}

}  // namespace

std::string organisationName(const std::string& hexDigit) {
    const int v = digitValue(hexDigit);
    return padded(v < 0 ? "" : kOrganisations[static_cast<std::size_t>(v)], 32);
}

std::string stateName(const std::string& hexDigit) {
    const int v = digitValue(hexDigit);
    return padded(v < 0 ? "" : kStates[static_cast<std::size_t>(v)], 16);
}

std::string statusText(int status, int direction) {
    if (direction == 1 && status >= 0 && status < 16) return kStatusLetters[static_cast<std::size_t>(status)];
    return std::to_string(status);
}

std::string directionText(int direction) { return direction == 1 ? "Lst->Fzg" : "Fzg->Lst"; }

}  // namespace kub
