// "Fzg.txt" and a status file as the start-up reads them, with the board layout taken
// from the first byte; then both written back.

#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "storage/vehicle_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::string& folder = kubfuzz::programFolder();
    const auto layout = static_cast<kub::BoardLayout>(data[0] % 5);
    // The second byte splits the rest between "Fzg.txt" and the status file of slot 0/1.
    const std::size_t rest = size - 2;
    const std::size_t split = rest == 0 ? 0 : data[1] % (rest + 1);
    const std::uint8_t* body = data + 2;
    kubfuzz::writeFile(kub::vehicleFilePath(folder), body, split);
    kubfuzz::writeFile(kub::statusFilePath(folder, data[1] & 1), body + split, rest - split);

    kub::VehicleTable table;
    table.applyLayout(layout);
    kub::loadVehicleTable(folder, table);
    if (!kub::saveVehicleTable(folder, table)) std::abort();
    // The status files of two slots only: thousands of absent files per run would be all
    // the fuzzer measures.
    kub::VehicleTable two;
    two.vehicleTable.resize(2);
    kub::loadStatusFiles(folder, two);
    for (int slot = 0; slot < 2; ++slot)
        if (!kub::writeStatusFile(folder, two, slot, two.vehicleTable[static_cast<std::size_t>(slot)].statusTime))
            std::abort();
    kub::loadStatusFiles(folder, two);
    kub::VehicleTable again;
    again.applyLayout(layout);
    kub::loadVehicleTable(folder, again);
    if (again.vehicleTable.size() != table.vehicleTable.size()) std::abort();
    kubfuzz::removeFile(kub::statusFilePath(folder, 0));
    kubfuzz::removeFile(kub::statusFilePath(folder, 1));
    return 0;
}
