#pragma once
// The vehicle table: one record per board slot, stored as "Fzg.txt" (name, info and
// Kennung of every slot) and one small file per slot in "Status" (status, TKI, time).
// Both are read at start-up and rewritten on every change.

#include <cstdint>
#include <string>
#include <vector>

#include "storage/board_layout.h"

namespace kub {

struct VehicleRecord {
    std::string kennung;
    std::string rufname;
    std::string eigenschaft;
    std::int16_t status = 0;
    std::int16_t tki = 0;
    std::string statusTime;
};

struct VehicleTable {
    std::vector<VehicleRecord> vehicleTable;
    std::int16_t vehicleCount = 0;
    std::int16_t lastNamedSlot = 0;
    std::int16_t columns = 10;
    std::int16_t rows = 20;

    VehicleTable() { applyLayout(BoardLayout::NotChosen); }

    std::int16_t tilesPerStation() const { return static_cast<std::int16_t>(columns * rows); }
    // Layout code 1: 5 x 10, 2: 5 x 20, 3: 10 x 10, 4 and 0: 10 x 20; any other code keeps
    // the board as it is. The table is created anew with every slot empty.
    void applyLayout(BoardLayout layout);
};

constexpr int kStations = 30;

// Makes the program folder, "Status" and "Logbuch" when they are missing, each for its
// owner alone (0700); folders that exist keep their rights.
bool createProgramFolders(const std::string& programFolder);

std::string vehicleFilePath(const std::string& programFolder);
std::string statusFilePath(const std::string& programFolder, int slot);

// Fills the slots from "Fzg.txt"; a missing file leaves them empty. False when the file
// exists but cannot be read.
bool loadVehicleTable(const std::string& programFolder, VehicleTable& table);
// Status, TKI and time of every slot; a slot without a file gets status 6.
void loadStatusFiles(const std::string& programFolder, VehicleTable& table);
// Rewrites "Fzg.txt" in full. False when it could not be written; the table is untouched.
bool saveVehicleTable(const std::string& programFolder, const VehicleTable& table);
// Rewrites the slot's status file from its status and TKI and the given time text.
bool writeStatusFile(const std::string& programFolder, const VehicleTable& table, int slot,
                     const std::string& timeText);

}  // namespace kub
