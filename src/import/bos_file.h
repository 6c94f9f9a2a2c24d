#pragma once
// I-R-F-BOS data files: a sectioned text file with BOS radio data. We take the call names
// with their FMS identifiers ("[Rufnamen]") and the five-tone numbers ("[Selektiv]").

#include <string>
#include <vector>

namespace kub {

struct BosVehicle {
    std::string kennung;  // 8 characters
    std::string rufname;
};

struct BosReceiver {
    std::string code;  // five-tone number
    std::string name;
};

struct BosFile {
    std::vector<BosVehicle> vehicles;
    std::vector<BosReceiver> receivers;
};

// False when the file cannot be read (nothing to import then).
bool readBosFile(const std::string& path, BosFile& out);

// The chooser's result is used only when it names a ".BOS" file, in any letter case.
bool isBosFilePath(const std::string& path);

}  // namespace kub
