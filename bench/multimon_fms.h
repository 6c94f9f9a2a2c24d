#pragma once
// One FMS line of multimon-ng ("FMS: " and 12 hex digits, the last one holding the first
// four bits sent), read as the benches compare it with ours.

#include <optional>
#include <string>

struct MultimonFms {
    std::string kennung;
    int status = 0;
    int direction = 0;
    int tki = 0;
};

// Empty for anything that is not a whole FMS line.
inline std::optional<MultimonFms> readMultimonFms(const std::string& line) {
    if (line.rfind("FMS: ", 0) != 0 || line.size() < 17) return std::nullopt;
    auto nibble = [&](int i) {
        const char c = line[static_cast<std::size_t>(5 + 11 - i)];
        return c <= '9' ? c - '0' : c - 'a' + 10;
    };
    MultimonFms t;
    for (int i = 0; i < 8; ++i) t.kennung += "0123456789ABCDEF"[nibble(i)];
    t.status = nibble(8);
    t.direction = (nibble(9) >> 1) & 1;
    t.tki = (nibble(9) >> 2) & 3;
    return t;
}
