// "Mon.ini" as the start-up reads it, then written back and read again: what the
// program makes of any file must survive its own round trip.

#include <cstdint>

#include "storage/vehicle_table.h"
#include "fuzz_support.h"
#include "storage/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& folder = kubfuzz::programFolder();
    kubfuzz::writeFile(kub::settingsPath(folder), data, size);
    const kub::Settings s = kub::loadSettings(folder);
    // What the start-up does with the values.
    (void)kub::decoderOptions(s);
    kub::VehicleTable table;
    table.applyLayout(s.layoutCode);
    for (int st = -1; st <= 12; ++st) (void)s.statusColour(st);
    if (!kub::saveSettings(folder, s)) std::abort();
    const kub::Settings again = kub::loadSettings(folder);
    if (again.tcpPort != s.tcpPort || again.layoutCode != s.layoutCode ||
        again.statusColours != s.statusColours || again.fmsLeft != s.fmsLeft)
        std::abort();
    return 0;
}
