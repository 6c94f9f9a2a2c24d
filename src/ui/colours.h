#pragma once
// Colour values as the data files and settings hold them: red + 256 × green + 65536 ×
// blue, or, with the top bit set, the number of a desktop system colour. The system
// colours come from the running desktop's palette, so status 6's default (the button
// face) is the grey of the buttons around it and never black.

#include <QColor>
#include <QPalette>
#include <cstdint>

namespace kub::ui {

QColor colourFromValue(std::int32_t value, const QPalette& palette);
inline QColor colourFromValue(std::uint32_t value, const QPalette& palette) {
    return colourFromValue(static_cast<std::int32_t>(value), palette);
}
// Only plain colours go back; a chosen colour is never a system colour.
std::int32_t valueFromColour(const QColor& colour);

// Black or white, whichever reads better on `background`.
QColor textColourOn(const QColor& background);

constexpr std::int32_t kRed = 255;            // unsaved settings, "stop"
constexpr std::int32_t kGreen = 65280;        // "Start", alert lists with entries
constexpr std::int32_t kLightGreyValue = 14737632;
constexpr std::int32_t kSilver = 0xC0C0C0;
constexpr std::int32_t kLighterSilver = 0xD0D0D0;

}  // namespace kub::ui
