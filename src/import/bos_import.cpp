#include "import/bos_import.h"

namespace kub {

int importBosFile(const std::string& path, BosImportMode mode, BosImportTargets t) {
    BosFile file;
    if (!readBosFile(path, file)) return 0;
    int taken = 0;
    if (mode == BosImportMode::Vehicles && t.vehicles) {
        VehicleTable& table = *t.vehicles;
        const int start = t.append ? table.lastNamedSlot + 1 : 0;
        int n = 0;
        for (const BosVehicle& v : file.vehicles) {
            const int slot = start + n;
            if (slot >= table.vehicleCount - 1) continue;  // the rest is read, not stored
            VehicleRecord& r = table.vehicleTable[static_cast<std::size_t>(slot)];
            r.kennung = v.kennung;
            r.rufname = v.rufname;
            r.eigenschaft = v.rufname;
            r.status = 6;
            // Raised, never lowered: a replace import of fewer names than the table holds
            // must not let the next append overwrite the named slots after it.
            if (slot > table.lastNamedSlot) table.lastNamedSlot = static_cast<std::int16_t>(slot);
            if (t.importedSlots) t.importedSlots->push_back(slot);
            ++n;
        }
        taken = n;
    } else if (mode == BosImportMode::Receivers && t.receivers) {
        for (const BosReceiver& r : file.receivers) {
            t.receivers->receiverList.push_back({r.code, r.name, 0});
            ++taken;
        }
    }
    return taken;
}

std::vector<std::string> saveImportedVehicles(const std::string& programFolder, const VehicleTable& table,
                                              const std::vector<int>& importedSlots) {
    std::vector<std::string> notWritten;
    if (!saveVehicleTable(programFolder, table)) notWritten.push_back("Fzg.txt");
    bool statusFailed = false;
    for (int slot : importedSlots) {
        const std::string& time = table.vehicleTable[static_cast<std::size_t>(slot)].statusTime;
        // The first status file that fails is named; hundreds of the same message would
        // say nothing more.
        if (!writeStatusFile(programFolder, table, slot, time) && !statusFailed) {
            statusFailed = true;
            notWritten.push_back("Status/" + std::to_string(slot) + ".txt");
        }
    }
    return notWritten;
}

}  // namespace kub
