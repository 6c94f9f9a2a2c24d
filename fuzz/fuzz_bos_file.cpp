// I-R-F-BOS data files as the import reads and applies them: into a vehicle table of
// the layout the first byte picks (replacing or appending), and into the receivers.

#include <cstdint>

#include "fuzz_support.h"
#include "import/bos_import.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::string path = kubfuzz::programFolder() + "/import.BOS";
    kubfuzz::writeFile(path, data + 1, size - 1);
    kub::BosFile file;
    kub::readBosFile(path, file);

    kub::VehicleTable vehicles;
    vehicles.applyLayout(static_cast<kub::BoardLayout>(data[0] % 5));
    vehicles.lastNamedSlot = static_cast<std::int16_t>((data[0] >> 3) % 4 == 3 ? vehicles.vehicleTable.size() - 1 : 0);
    kub::ReceiverLists receivers;
    kub::BosImportTargets targets{&vehicles, &receivers, ((data[0] >> 5) & 1) != 0};
    kub::importBosFile(path, kub::BosImportMode::Vehicles, targets);
    kub::importBosFile(path, kub::BosImportMode::Vehicles, targets);
    kub::importBosFile(path, kub::BosImportMode::Receivers, targets);
    return 0;
}
