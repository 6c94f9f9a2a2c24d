#include "storage/vehicle_table.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "common/program_folder.h"
#include "storage/text_file.h"

namespace kub {

namespace {

// The integer at the start of a field, blanks ignored; false when there is none.
bool readInteger(const std::string& s, std::int16_t& out) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    if (i >= s.size() || s[i] < '0' || s[i] > '9') return false;
    long v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        v = v * 10 + (s[i] - '0');
        if (v > 32767) return false;
    }
    out = static_cast<std::int16_t>(negative ? -v : v);
    return true;
}

}  // namespace

void VehicleTable::applyLayout(BoardLayout layout) {
    switch (layout) {
        case BoardLayout::Columns5Rows10: columns = 5; rows = 10; break;
        case BoardLayout::Columns5Rows20: columns = 5; rows = 20; break;
        case BoardLayout::Columns10Rows10: columns = 10; rows = 10; break;
        case BoardLayout::NotChosen:
        case BoardLayout::Columns10Rows20: columns = 10; rows = 20; break;
    }
    vehicleCount = static_cast<std::int16_t>(kStations * tilesPerStation());
    vehicleTable.assign(static_cast<std::size_t>(vehicleCount), VehicleRecord{});
}

bool createProgramFolders(const std::string& programFolder) {
    if (programFolder.empty()) return false;
    bool ok = makePrivateFolder(programFolder);
    for (const char* sub : {"Status", "Logbuch"}) {
        const std::filesystem::path p = std::filesystem::path(programFolder) / sub;
        if (!makePrivateFolder(p.string())) ok = false;
    }
    return ok;
}

std::string vehicleFilePath(const std::string& programFolder) { return programFolder + "/Fzg.txt"; }

std::string statusFilePath(const std::string& programFolder, int slot) {
    return programFolder + "/Status/" + std::to_string(slot) + ".txt";
}

bool loadVehicleTable(const std::string& programFolder, VehicleTable& table) {
    const std::string path = vehicleFilePath(programFolder);
    if (!fileExists(path)) return true;
    auto lines = readItemLines(path);
    if (!lines) return false;
    const std::size_t n = std::min(lines->size(), table.vehicleTable.size());
    for (std::size_t i = 0; i < n; ++i) {
        const std::string& item = (*lines)[i];
        if (item.empty()) continue;
        const auto parts = splitTabs(item);
        VehicleRecord& rec = table.vehicleTable[i];
        rec.rufname = parts[0];
        if (parts.size() > 1) rec.eigenschaft = parts[1];
        if (parts.size() > 2) rec.kennung = parts[2];
        if (!rec.rufname.empty()) table.lastNamedSlot = static_cast<std::int16_t>(i);
    }
    return true;
}

void loadStatusFiles(const std::string& programFolder, VehicleTable& table) {
    for (std::size_t slot = 0; slot < table.vehicleTable.size(); ++slot) {
        VehicleRecord& rec = table.vehicleTable[slot];
        const std::string path = statusFilePath(programFolder, static_cast<int>(slot));
        if (!fileExists(path)) {
            rec.status = 6;
            continue;
        }
        auto lines = readItemLines(path);
        if (!lines || lines->empty()) continue;
        const auto parts = splitTabs(lines->front());
        readInteger(parts[0], rec.status);
        if (parts.size() > 1) readInteger(parts[1], rec.tki);
        if (parts.size() > 2) rec.statusTime = parts[2];
    }
}

bool saveVehicleTable(const std::string& programFolder, const VehicleTable& table) {
    const std::string path = vehicleFilePath(programFolder);
    std::vector<std::string> lines;
    lines.reserve(table.vehicleTable.size());
    for (const VehicleRecord& rec : table.vehicleTable)
        lines.push_back(itemLine(rec.rufname + "\t" + rec.eigenschaft + "\t" + rec.kennung));
    return replaceTextLines(path, lines);
}

bool writeStatusFile(const std::string& programFolder, const VehicleTable& table, int slot,
                     const std::string& timeText) {
    if (slot < 0 || static_cast<std::size_t>(slot) >= table.vehicleTable.size()) return false;
    const VehicleRecord& rec = table.vehicleTable[static_cast<std::size_t>(slot)];
    const std::string path = statusFilePath(programFolder, slot);
    return replaceTextLines(path, {std::to_string(rec.status) + "\t" + std::to_string(rec.tki) + "\t" + timeText});
}

}  // namespace kub
