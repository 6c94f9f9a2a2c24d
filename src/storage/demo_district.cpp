#include "storage/demo_district.h"

#include <array>
#include <filesystem>
#include <vector>

#include "storage/receiver_list.h"
#include "storage/settings.h"
#include "storage/station_names.h"
#include "storage/vehicle_table.h"

namespace kub {

namespace {

// Layout code 1: 5 x 10 tiles, large enough to read from across the room.
constexpr BoardLayout kDemoLayout = BoardLayout::Columns5Rows10;

struct DemoVehicle {
    int station;
    int tile;
    const char* kennung;
    const char* rufname;
    const char* eigenschaft;
};

constexpr std::array<const char*, 5> kDemoStations = {"FW Musterstadt", "FW Nord", "FW Süd", "Rettungsdienst",
                                                   "THW"};

// Tiles run down a column of ten; FW Musterstadt's columns: command, engines, ladder and
// rescue, logistics.
constexpr std::array<DemoVehicle, 21> kVehicles = {{
    {0, 0, "62341110", "Florian Musterstadt 10/1", "ELW 1"},
    {0, 1, "62341101", "Florian Musterstadt 1/1", "KdoW"},
    {0, 2, "62341119", "Florian Musterstadt 19/1", "MTW"},
    {0, 10, "62341140", "Florian Musterstadt 40/1", "HLF 20"},
    {0, 11, "62341141", "Florian Musterstadt 40/2", "HLF 10"},
    {0, 12, "62341123", "Florian Musterstadt 23/1", "TLF 3000"},
    {0, 20, "62341130", "Florian Musterstadt 30/1", "DLK 23/12"},
    {0, 21, "62341152", "Florian Musterstadt 52/1", "RW"},
    {0, 30, "62341156", "Florian Musterstadt 56/1", "GW-L2"},
    {0, 31, "62341159", "Florian Musterstadt 59/1", "GW-G"},
    {0, 40, "62341165", "Florian Musterstadt 65/1", "WLF"},
    {1, 0, "62342140", "Florian Nord 40/1", "LF 20"},
    {1, 1, "62342144", "Florian Nord 44/1", "TSF-W"},
    {1, 2, "62342119", "Florian Nord 19/1", "MTW"},
    {2, 0, "62343142", "Florian Süd 42/1", "LF 10"},
    {2, 1, "62343148", "Florian Süd 48/1", "TLF 3000"},
    {3, 0, "52341183", "Rotkreuz Musterstadt 83/1", "RTW"},
    {3, 1, "52341182", "Rotkreuz Musterstadt 82/1", "NEF"},
    {3, 2, "52341185", "Rotkreuz Musterstadt 85/1", "KTW"},
    {3, 3, "52342183", "Rotkreuz Nord 83/1", "RTW"},
    {4, 0, "82341152", "Heros Musterstadt 52/1", "GKW"},
}};

constexpr std::int32_t rgb(int r, int g, int b) { return r + 256 * g + 65536 * b; }

struct DemoReceiver {
    const char* nummer;
    const char* name;
    std::int32_t farbe;
};

constexpr std::array<DemoReceiver, 8> kReceivers = {{
    {"25431", "Löschzug Musterstadt", rgb(255, 128, 128)},
    {"25432", "FW Nord Vollalarm", rgb(255, 200, 100)},
    {"25433", "FW Süd Vollalarm", rgb(255, 255, 128)},
    {"25480", "Sirene Musterstadt", rgb(255, 80, 80)},
    {"1234567", "Kreisbrandmeister", rgb(160, 200, 255)},
    {"1300100", "Rettungsdienst Musterstadt", rgb(128, 255, 160)},
    {"1300200", "FW Musterstadt Gruppe 1", rgb(255, 160, 200)},
    {"1300300", "THW Ortsverband", rgb(120, 160, 255)},
}};

struct DemoAssignment {
    const char* kennung;
    const char* code;
};

constexpr std::array<DemoAssignment, 5> kAssignments = {{
    {"62341140", "25431"},
    {"62341141", "25431"},
    {"62342140", "25432"},
    {"52341183", "1300100"},
    {"62341110", "1234567"},
}};

}  // namespace

bool writeDemoDistrict(const std::string& folder, const std::string& timeText) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    bool ok = createProgramFolders(folder);

    Settings settings = newFolderSettings();
    settings.layout = kDemoLayout;
    settings.captureAtStart = false;
    settings.deviceIndex = -1;
    ok = saveSettings(folder, settings) && ok;

    StationNames names{};
    for (std::size_t i = 0; i < kDemoStations.size(); ++i) names[i] = kDemoStations[i];
    ok = saveStationNames(folder, names) && ok;

    VehicleTable table;
    table.applyLayout(kDemoLayout);
    std::vector<int> slots;
    for (const DemoVehicle& v : kVehicles) {
        const int slot = table.tilesPerStation() * v.station + v.tile;
        VehicleRecord& rec = table.vehicleTable[static_cast<std::size_t>(slot)];
        rec.kennung = v.kennung;
        rec.rufname = v.rufname;
        rec.eigenschaft = v.eigenschaft;
        rec.status = 2;
        slots.push_back(slot);
    }
    ok = saveVehicleTable(folder, table) && ok;
    for (int slot : slots) ok = writeStatusFile(folder, table, slot, timeText) && ok;

    std::vector<ReceiverRecord> receivers;
    for (const DemoReceiver& r : kReceivers) receivers.push_back({r.nummer, r.name, r.farbe});
    ok = saveReceiverList(folder, receivers) && ok;

    // The assignment file is appended to; a demo folder made anew starts without one.
    std::filesystem::remove(assignmentPath(folder), ec);
    std::vector<AssignmentRecord> assignments;
    for (const DemoAssignment& a : kAssignments) {
        std::string rufname;
        for (const DemoVehicle& v : kVehicles)
            if (std::string(v.kennung) == a.kennung) rufname = v.rufname;
        ok = addAssignment(folder, assignments, a.kennung, a.code, rufname) && ok;
    }
    return ok;
}

}  // namespace kub
