#include "common/stderr_line.h"

#include <cstdio>

namespace kub {

namespace {

// Length of the valid UTF-8 sequence at text[i] (overlong forms and surrogates are not
// valid); 0 when there is none.
std::size_t utf8Length(std::string_view text, std::size_t i) {
    const auto b = static_cast<unsigned char>(text[i]);
    std::size_t len = 0;
    char32_t c = 0;
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
        c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        c = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        c = b & 0x07;
    } else {
        return 0;
    }
    if (i + len > text.size()) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto cb = static_cast<unsigned char>(text[i + k]);
        if ((cb & 0xC0) != 0x80) return 0;
        c = (c << 6) | (cb & 0x3F);
    }
    if ((len == 3 && (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF))) || (len == 4 && (c < 0x10000 || c > 0x10FFFF)))
        return 0;
    // C1 controls act on a terminal like the C0 ones.
    if (c >= 0x80 && c <= 0x9F) return 0;
    return len;
}

}  // namespace

std::string escapedText(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b >= 0x20 && b < 0x7F) {
            out.push_back(text[i++]);
            continue;
        }
        if (const std::size_t len = b >= 0x80 ? utf8Length(text, i) : 0; len > 0) {
            out.append(text.substr(i, len));
            i += len;
            continue;
        }
        out += "\\x";
        out.push_back(kHex[b >> 4]);
        out.push_back(kHex[b & 0x0F]);
        ++i;
    }
    return out;
}

void writeStderrLine(std::string_view prefix, std::string_view message) {
    std::string line(prefix);
    if (!line.empty()) line += ": ";
    line += escapedText(message);
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

}  // namespace kub
