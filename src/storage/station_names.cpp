#include "storage/station_names.h"

#include <vector>

#include "storage/text_file.h"

namespace kub {

std::string stationNamesPath(const std::string& programFolder) { return programFolder + "/Wachen.txt"; }

StationNames loadStationNames(const std::string& programFolder) {
    StationNames names;
    auto lines = readItemLines(stationNamesPath(programFolder));
    if (!lines) return names;
    for (std::size_t i = 0; i < lines->size() && i < kStationCount; ++i) names[i] = (*lines)[i];
    return names;
}

bool saveStationNames(const std::string& programFolder, const StationNames& names) {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < kStationCount; ++i) lines.push_back(itemLine(names[i]));
    return replaceTextLines(stationNamesPath(programFolder), lines);
}

}  // namespace kub
