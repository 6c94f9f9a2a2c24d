#include "common/decimal_number.h"

#include <charconv>
#include <cmath>

namespace kub {

std::optional<double> decimalNumber(std::string_view text, double lowest, double highest) {
    // from_chars reads the C locale's point whatever the user's locale says, and takes no
    // blanks and no "+"; "inf" and "nan" it does take, so finiteness is asked separately.
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, std::chars_format::general);
    if (text.empty() || error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
    if (!(value >= lowest && value <= highest)) return std::nullopt;
    return value;
}

}  // namespace kub
