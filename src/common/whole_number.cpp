#include "common/whole_number.h"

#include <charconv>

namespace kub {

std::optional<long> wholeNumber(std::string_view text, long lowest, long highest) {
    // from_chars takes no "+" and no blanks, and says when the digits overflow a long.
    long value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
    if (value < lowest || value > highest) return std::nullopt;
    return value;
}

}  // namespace kub
