#pragma once
// A decimal number as a person types it on a command line: an optional minus, digits with
// an optional point and exponent ("0.5", "-3", "1e-3"), nothing else (no blanks, no "+",
// no comma, no "inf"), and within the bounds the caller names.

#include <optional>
#include <string_view>

namespace kub {

std::optional<double> decimalNumber(std::string_view text, double lowest, double highest);

}  // namespace kub
