// "Wachen.txt" read, written back, read again. A name is cut at its first comma when
// read, so the first rewrite may shorten a quoted name; from then on the file is stable.

#include <cstdint>

#include "fuzz_support.h"
#include "storage/station_names.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& folder = kubfuzz::programFolder();
    kubfuzz::writeFile(kub::stationNamesPath(folder), data, size);
    const kub::StationNames names = kub::loadStationNames(folder);
    if (!kub::saveStationNames(folder, names)) std::abort();
    const kub::StationNames first = kub::loadStationNames(folder);
    if (!kub::saveStationNames(folder, first)) std::abort();
    const kub::StationNames again = kub::loadStationNames(folder);
    for (int i = 0; i < kub::kStationCount; ++i)
        if (again[static_cast<std::size_t>(i)] != first[static_cast<std::size_t>(i)]) std::abort();
    return 0;
}
