#pragma once
// Applying an I-R-F-BOS file: call names with their Kennung into the vehicle table, or
// five-tone numbers into the receiver list. The buttons save the files afterwards.

#include <string>

#include "import/bos_file.h"
#include "storage/receiver_list.h"
#include "storage/vehicle_table.h"

namespace kub {

enum class BosImportMode { Receivers = 1, Vehicles = 2 };

struct BosImportTargets {
    VehicleTable* vehicles = nullptr;
    ReceiverLists* receivers = nullptr;
    bool append = false;  // "anhängen statt ersetzen"
};

// Vehicles: from slot 0 (or after the last named slot when appending), never into the
// table's last slot; each gets status 6 in memory. Receivers: appended, no colour.
// Returns the number of entries taken; a missing file takes none.
int importBosFile(const std::string& path, BosImportMode mode, BosImportTargets targets);

}  // namespace kub
