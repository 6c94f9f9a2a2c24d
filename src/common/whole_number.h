#pragma once
// A whole number as a person types it on a command line or into a settings file: an
// optional minus, then digits, nothing else (no blanks, no "+", no trailing letters, so
// "12abc" is no 12), and within the bounds the caller names.

#include <optional>
#include <string_view>

namespace kub {

std::optional<long> wholeNumber(std::string_view text, long lowest, long highest);

}  // namespace kub
