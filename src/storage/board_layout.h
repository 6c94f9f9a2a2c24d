#pragma once

#include <cstdint>

namespace kub {

// How the board is laid out ("Mon.ini" line 24): stations of columns x rows tiles.
// NotChosen is a folder where nobody ever picked one; it is laid out as the largest.
enum class BoardLayout : std::uint8_t {
    NotChosen = 0,
    Columns5Rows10 = 1,
    Columns5Rows20 = 2,
    Columns10Rows10 = 3,
    Columns10Rows20 = 4,
};

}  // namespace kub
