#pragma once
// The window's lengths are kept in twips, as its layout rules were drawn up in them:
// 15 twips to the pixel at 96 dpi, scaled for the screen's real dpi.

#include <cmath>

namespace kub::ui {

class Twips {
public:
    explicit Twips(double dpi = 96.0) : scale_(dpi / 96.0 / 15.0) {}
    int px(int twips) const { return static_cast<int>(std::lround(twips * scale_)); }
    int twips(int pixels) const { return static_cast<int>(std::lround(pixels / scale_)); }

private:
    double scale_;
};

}  // namespace kub::ui
