#pragma once
// "Wachen.txt": the names of the 30 station pages, one per line.

#include <array>
#include <string>

namespace kub {

constexpr int kStationCount = 30;

// Entries 0..29 name the pages; entry 30 exists but is never used.
using StationNames = std::array<std::string, kStationCount + 1>;

std::string stationNamesPath(const std::string& programFolder);
// Missing file: all names empty. A short file fills the names it has.
StationNames loadStationNames(const std::string& programFolder);
// Writes the 30 names anew; false when the file cannot be written.
bool saveStationNames(const std::string& programFolder, const StationNames& names);

}  // namespace kub
