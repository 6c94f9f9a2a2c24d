// "Mon.ini" as the start-up reads it, then written back and read again: what the
// program makes of any file must survive its own round trip.

#include <cstdint>
#include <tuple>

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
    table.applyLayout(s.layout);
    for (int st = -1; st <= 12; ++st) (void)s.statusColour(st);
    if (!kub::saveSettings(folder, s)) std::abort();
    // Every number, switch and the layout comes back as it was written (texts follow the
    // item rule's quoting, which has round trips of its own).
    auto numbers = [](const kub::Settings& v) {
        return std::tuple(v.deviceIndex, v.statusColours, v.bosImportAppend, v.dialUp, v.htmlExport, v.tcpPort,
                          v.tcpExport, v.windowMessageExport, v.layout, v.zveiRight, v.pocsagRight, v.fmsRight,
                          v.zveiLeft, v.pocsagLeft, v.fmsLeft, v.inputFilter, v.pocsagErrorCorrection,
                          v.fmsCheckBits, v.pocsagBatchAwareEnd, v.captureAtStart);
    };
    if (numbers(kub::loadSettings(folder)) != numbers(s)) std::abort();
    return 0;
}
