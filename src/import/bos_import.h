#pragma once
// Applying an I-R-F-BOS file: call names with their Kennung into the vehicle table, or
// five-tone numbers into the receiver list. The buttons save the files afterwards.

#include <string>
#include <vector>

#include "import/bos_file.h"
#include "storage/receiver_list.h"
#include "storage/vehicle_table.h"

namespace kub {

enum class BosImportMode { Receivers = 1, Vehicles = 2 };

struct BosImportTargets {
    VehicleTable* vehicles = nullptr;
    ReceiverLists* receivers = nullptr;
    bool append = false;  // "anhängen statt ersetzen"
    // When given, gets the slot of every vehicle taken.
    std::vector<int>* importedSlots = nullptr;
};

// Vehicles: from slot 0 (or after the last named slot when appending), never into the
// table's last slot; each gets status 6 in memory. Receivers: appended, no colour.
// Returns the number of entries taken; a missing file takes none.
int importBosFile(const std::string& path, BosImportMode mode, BosImportTargets targets);

// After a vehicle import: "Fzg.txt", and the status file of every imported slot, or the
// slot's predecessor's status would come back at the next start. The files that could
// not be written: "Fzg.txt" and the first status file that failed.
std::vector<std::string> saveImportedVehicles(const std::string& programFolder, const VehicleTable& table,
                                              const std::vector<int>& importedSlots);

}  // namespace kub
