#include "core/channel_cell.h"

#include <algorithm>

#include "common/whole_number.h"

namespace kub {

namespace {
constexpr std::string_view kPrefix = "Kanal ";
constexpr std::string_view kUnit = " MHz";
constexpr std::int64_t kHzPerMhz = 1000000;
constexpr std::int64_t kHighestHz = 100 * 1000 * kHzPerMhz;
}  // namespace

std::string channelCell(const std::string& channel, std::int64_t frequency) {
    if (frequency <= 0) return {};
    return std::string(kPrefix) + channelLabel(channel, frequency);
}

std::string channelLabel(const std::string& channel, std::int64_t frequency) {
    if (frequency <= 0) return {};
    std::string name = channel;
    std::replace_if(name.begin(), name.end(), [](char c) { return c == ',' || c == '\t' || c == '\r' || c == '\n'; }, ' ');
    std::string fraction = std::to_string(frequency % kHzPerMhz);
    fraction.insert(0, 6 - fraction.size(), '0');
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    std::string mhz = std::to_string(frequency / kHzPerMhz);
    if (!fraction.empty()) mhz += "." + fraction;
    return name + " " + mhz + std::string(kUnit);
}

bool readChannelCell(std::string_view cell, std::string& channel, std::int64_t& frequency) {
    if (!cell.starts_with(kPrefix) || !cell.ends_with(kUnit)) return false;
    cell.remove_prefix(kPrefix.size());
    cell.remove_suffix(kUnit.size());
    const std::size_t blank = cell.rfind(' ');
    if (blank == std::string_view::npos || blank == 0) return false;
    const std::string_view number = cell.substr(blank + 1);
    const std::size_t dot = number.find('.');
    const std::string_view whole = number.substr(0, dot);
    const std::string_view part = dot == std::string_view::npos ? std::string_view() : number.substr(dot + 1);
    auto digits = [](std::string_view d) { return std::all_of(d.begin(), d.end(), [](char c) { return c >= '0' && c <= '9'; }); };
    if (whole.empty() || whole.size() > 6 || part.size() > 6 || !digits(whole) || !digits(part) ||
        (dot != std::string_view::npos && part.empty()))
        return false;
    std::int64_t hz = wholeNumber(whole, 0, 999999).value_or(0) * kHzPerMhz;
    std::int64_t scale = kHzPerMhz / 10;
    for (char c : part) {
        hz += (c - '0') * scale;
        scale /= 10;
    }
    if (hz <= 0 || hz > kHighestHz) return false;
    channel = std::string(cell.substr(0, blank));
    frequency = hz;
    return true;
}

}  // namespace kub
