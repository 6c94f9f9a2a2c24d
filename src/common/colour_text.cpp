#include "common/colour_text.h"

#include <cstdio>

namespace kub {

namespace {
constexpr std::int32_t kButtonFaceGrey = 0xC8D0D4;  // 0x00BBGGRR of #D4D0C8
}  // namespace

std::string colourText(std::int32_t value) {
    if (value < 0) value = kButtonFaceGrey;
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
    return text;
}

}  // namespace kub
