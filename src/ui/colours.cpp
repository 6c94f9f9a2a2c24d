#include "ui/colours.h"

namespace kub::ui {

namespace {

// The desktop's numbered system colours, each taken from the palette role that plays
// the same part here.
QColor systemColour(int number, const QPalette& p) {
    switch (number) {
        case 1: case 4: return p.color(QPalette::Window);              // desktop, menu
        case 2: case 13: return p.color(QPalette::Highlight);          // active caption, highlight
        case 3: case 12: return p.color(QPalette::Mid);                // inactive caption, workspace
        case 5: return p.color(QPalette::Base);                        // window
        case 6: case 21: return p.color(QPalette::Shadow);             // frame, dark 3D shadow
        case 7: return p.color(QPalette::WindowText);                  // menu text
        case 8: return p.color(QPalette::Text);                        // window text
        case 9: case 14: return p.color(QPalette::HighlightedText);    // caption text
        case 16: return p.color(QPalette::Dark);                       // button shadow
        case 17: return p.color(QPalette::Disabled, QPalette::Text);   // grey text
        case 18: return p.color(QPalette::ButtonText);
        case 19: return p.color(QPalette::Disabled, QPalette::WindowText);
        case 20: return p.color(QPalette::Light);                      // button highlight
        case 22: return p.color(QPalette::Midlight);                   // 3D light
        case 23: return p.color(QPalette::ToolTipText);
        case 24: return p.color(QPalette::ToolTipBase);
        default: return p.color(QPalette::Button);                     // 15 button face and the rest
    }
}

}  // namespace

QColor colourFromValue(std::int32_t value, const QPalette& palette) {
    const auto v = static_cast<std::uint32_t>(value);
    if (v & 0x80000000u) return systemColour(static_cast<int>(v & 0xFFu), palette);
    return QColor(static_cast<int>(v & 0xFFu), static_cast<int>((v >> 8) & 0xFFu),
                  static_cast<int>((v >> 16) & 0xFFu));
}

std::int32_t valueFromColour(const QColor& c) {
    return c.red() + 256 * c.green() + 65536 * c.blue();
}

QColor textColourOn(const QColor& background) {
    const double luma = 0.299 * background.red() + 0.587 * background.green() + 0.114 * background.blue();
    return luma < 110 ? QColor(Qt::white) : QColor(Qt::black);
}

}  // namespace kub::ui
