#pragma once
// Colour values as the settings and lists store them (0x00BBGGRR, the top bit set for a
// system colour) in the "#RRGGBB" form browsers and JSON consumers read.

#include <cstdint>
#include <string>

namespace kub {

// "#RRGGBB" of `value`; a system colour is shown as the grey of a button face.
std::string colourText(std::int32_t value);

}  // namespace kub
