// The vehicle table's files: "Fzg.txt" and the per-slot status files round-trip, odd and
// broken files load without harm, and failed writes leave the table valid.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "storage/text_file.h"
#include "storage/vehicle_table.h"
#include "support/fms_support.h"
#include "support/run_process.h"

#include <sys/stat.h>

namespace kub {
namespace {

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

TEST(ProgramFolders, FoldersWeMakeAreTheOwnersAloneAndExistingOnesKeepTheirRights) {
    const std::string base = kubtest::makeTempDir("kub-rechte");
    auto mode = [](const std::string& path) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0u;
    };
    for (const mode_t umask : {mode_t{0}, mode_t{022}, mode_t{0277}}) {
        const std::string folder = base + "/neu" + std::to_string(umask);
        const mode_t before = ::umask(umask);
        const bool made = createProgramFolders(folder);
        ::umask(before);
        ASSERT_TRUE(made) << umask;
        for (const std::string sub : {"", "/Status", "/Logbuch"}) EXPECT_EQ(mode(folder + sub), 0700u) << umask << sub;
    }
    const std::string existing = base + "/alt";
    std::filesystem::create_directories(existing + "/Status");
    ::chmod(existing.c_str(), 0755);
    ::chmod((existing + "/Status").c_str(), 0750);
    ASSERT_TRUE(createProgramFolders(existing));
    EXPECT_EQ(mode(existing), 0755u);
    EXPECT_EQ(mode(existing + "/Status"), 0750u);
    EXPECT_EQ(mode(existing + "/Logbuch"), 0700u);
    kubtest::removeTree(base);
}

TEST(VehicleTable, LayoutsGiveTheirSlotCounts) {
    VehicleTable t;
    EXPECT_EQ(t.vehicleCount, 6000);
    t.applyLayout(BoardLayout::Columns5Rows10);
    EXPECT_EQ(t.vehicleCount, 1500);
    EXPECT_EQ(t.vehicleTable.size(), 1500u);
    t.applyLayout(BoardLayout::Columns10Rows10);
    EXPECT_EQ(t.vehicleCount, 3000);
    t.vehicleTable[5].rufname.append("Wache 1");
    t.applyLayout(BoardLayout::Columns10Rows10);  // the same layout again: the table is new
    EXPECT_EQ(t.vehicleCount, 3000);
    EXPECT_EQ(t.vehicleTable[5].rufname, "");
}

TEST(VehicleTable, SaveAndLoadRoundTripWithUmlauts) {
    test::TempFolder dir;
    ASSERT_TRUE(createProgramFolders(dir.path));
    VehicleTable t;
    t.applyLayout(BoardLayout::Columns5Rows10);
    t.vehicleTable[0] = {"", "Wache Süd", "", 0, 0, ""};
    t.vehicleTable[1] = {"623B1234", "Florian Bärstadt 1/44", "HLF 20 – Ölspur", 3, 2, "07.12. 04:55"};
    t.vehicleTable[1499] = {"62341234", "Ende", "", 6, 0, ""};
    ASSERT_TRUE(saveVehicleTable(dir.path, t));
    for (int slot : {0, 1, 1499}) {
        t.vehicleTable[static_cast<std::size_t>(slot)].status = static_cast<std::int16_t>(slot == 1 ? 3 : 6);
        ASSERT_TRUE(writeStatusFile(dir.path, t, slot, slot == 1 ? "07.12. 04:55" : ""));
    }

    // On disk: cp1252 and CR LF, one line per slot.
    const std::string bytes = kubtest::readFileBytes(dir.path + "/Fzg.txt");
    EXPECT_NE(bytes.find("Florian B\xE4rstadt 1/44\tHLF 20 \x96 \xD6lspur\t623B1234\r\n"), std::string::npos);
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 1500);
    EXPECT_EQ(kubtest::readFileBytes(dir.path + "/Status/1.txt"), "3\t2\t07.12. 04:55\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir.path + "/Fzg.txt.neu"));

    VehicleTable u;
    u.applyLayout(BoardLayout::Columns5Rows10);
    ASSERT_TRUE(loadVehicleTable(dir.path, u));
    loadStatusFiles(dir.path, u);
    EXPECT_EQ(u.vehicleTable[0].rufname, "Wache Süd");
    EXPECT_EQ(u.vehicleTable[1].rufname, "Florian Bärstadt 1/44");
    EXPECT_EQ(u.vehicleTable[1].eigenschaft, "HLF 20 – Ölspur");
    EXPECT_EQ(u.vehicleTable[1].kennung, "623B1234");
    EXPECT_EQ(u.vehicleTable[1].status, 3);
    EXPECT_EQ(u.vehicleTable[1].tki, 2);
    EXPECT_EQ(u.vehicleTable[1].statusTime, "07.12. 04:55");
    EXPECT_EQ(u.vehicleTable[2].status, 6) << "no status file";
    EXPECT_EQ(u.lastNamedSlot, 1499);
}

TEST(VehicleTable, LoadingFollowsTheLineRules) {
    test::TempFolder dir;
    ASSERT_TRUE(createProgramFolders(dir.path));
    writeBytes(dir.path + "/Fzg.txt",
               "Nur Name\r\n"                          // no TAB: name only, a heading
               "Florian 2, Nord\tLF\t62341234\r\n"      // cut at the comma
               "\r\n"                                   // empty: slot untouched
               "\"Zitat, mit Komma\"\tx\t1\r\n"         // quoted item keeps the comma
               "  Blanks\tvorn\t623B12345\r\n"          // leading blanks skipped; 9 chars kept
               "Letzter\tA\tB\r\n"
               "Zuviel\r\n");
    VehicleTable t;
    t.applyLayout(BoardLayout::Columns5Rows10);
    t.vehicleTable.resize(6);  // a smaller board than the file
    t.vehicleCount = 6;
    t.vehicleTable[2].rufname = "bleibt";
    ASSERT_TRUE(loadVehicleTable(dir.path, t));
    EXPECT_EQ(t.vehicleTable[0].rufname, "Nur Name");
    EXPECT_EQ(t.vehicleTable[0].kennung, "");
    EXPECT_EQ(t.vehicleTable[1].rufname, "Florian 2");
    EXPECT_EQ(t.vehicleTable[1].eigenschaft, "");
    EXPECT_EQ(t.vehicleTable[1].kennung, "");
    EXPECT_EQ(t.vehicleTable[2].rufname, "bleibt");
    EXPECT_EQ(t.vehicleTable[3].rufname, "Zitat, mit Komma");
    EXPECT_EQ(t.vehicleTable[4].rufname, "Blanks");
    EXPECT_EQ(t.vehicleTable[4].kennung, "623B12345");
    EXPECT_EQ(t.vehicleTable[5].rufname, "Letzter");
    EXPECT_EQ(t.lastNamedSlot, 5);

    // Status files: unreadable parts leave their fields; numbers with blanks read.
    writeBytes(dir.path + "/Status/0.txt", " 3 \tx\t08.12. 10:00\r\n");
    writeBytes(dir.path + "/Status/1.txt", "abc\r\n");
    writeBytes(dir.path + "/Status/2.txt", "");
    writeBytes(dir.path + "/Status/3.txt", "99999999\t2\r\n");
    for (auto& r : t.vehicleTable) {
        r.status = 1;
        r.tki = 1;
    }
    loadStatusFiles(dir.path, t);
    EXPECT_EQ(t.vehicleTable[0].status, 3);
    EXPECT_EQ(t.vehicleTable[0].tki, 1);
    EXPECT_EQ(t.vehicleTable[0].statusTime, "08.12. 10:00");
    EXPECT_EQ(t.vehicleTable[1].status, 1);
    EXPECT_EQ(t.vehicleTable[2].status, 1);
    EXPECT_EQ(t.vehicleTable[3].status, 1) << "out of range";
    EXPECT_EQ(t.vehicleTable[3].tki, 2);
    EXPECT_EQ(t.vehicleTable[4].status, 6);
}

TEST(VehicleTable, GarbageHugeLinesAndMissingFilesDoNotHarm) {
    test::TempFolder dir;
    VehicleTable t;
    t.applyLayout(BoardLayout::Columns5Rows10);
    EXPECT_TRUE(loadVehicleTable(dir.path, t)) << "missing Fzg.txt is normal";
    loadStatusFiles(dir.path, t);  // no "Status" folder at all
    EXPECT_EQ(t.vehicleTable[0].status, 6);
    EXPECT_EQ(t.vehicleTable[0].rufname, "");

    std::string garbage;
    for (int i = 0; i < 20000; ++i) garbage.push_back(static_cast<char>((i * 7919) % 256));
    std::string huge(100000, 'W');
    huge.append("\tinfo\t62341234\r\n");
    huge.append(garbage);
    writeBytes(dir.path + "/Fzg.txt", huge);
    ASSERT_TRUE(loadVehicleTable(dir.path, t));
    EXPECT_EQ(t.vehicleTable[0].rufname.size(), 100000u);
    EXPECT_EQ(t.vehicleTable[0].kennung, "62341234");
    ASSERT_TRUE(createProgramFolders(dir.path));
    writeBytes(dir.path + "/Status/0.txt", garbage);
    loadStatusFiles(dir.path, t);
    // Saved again, the long name survives in full.
    ASSERT_TRUE(saveVehicleTable(dir.path, t));
    VehicleTable u;
    u.applyLayout(BoardLayout::Columns5Rows10);
    ASSERT_TRUE(loadVehicleTable(dir.path, u));
    EXPECT_EQ(u.vehicleTable[0].rufname, t.vehicleTable[0].rufname);
}

TEST(VehicleTable, FailedWritesKeepTheTableAndTheOldFile) {
    test::TempFolder dir;
    ASSERT_TRUE(createProgramFolders(dir.path));
    VehicleTable t;
    t.applyLayout(BoardLayout::Columns5Rows10);
    t.vehicleTable[0].rufname = "Alt";
    ASSERT_TRUE(saveVehicleTable(dir.path, t));
    const std::string before = kubtest::readFileBytes(dir.path + "/Fzg.txt");

    // The side file cannot be made: a folder stands in its place.
    std::filesystem::create_directory(dir.path + "/Fzg.txt.neu");
    t.vehicleTable[0].rufname = "Neu";
    EXPECT_FALSE(saveVehicleTable(dir.path, t));
    EXPECT_EQ(kubtest::readFileBytes(dir.path + "/Fzg.txt"), before);
    EXPECT_EQ(t.vehicleTable[0].rufname, "Neu");

    // No folder to write into at all.
    EXPECT_FALSE(saveVehicleTable(dir.path + "/fehlt", t));
    EXPECT_FALSE(writeStatusFile(dir.path + "/fehlt", t, 0, "x"));
    EXPECT_FALSE(writeStatusFile(dir.path, t, -1, "x"));
    EXPECT_FALSE(writeStatusFile(dir.path, t, 1500, "x"));
    EXPECT_FALSE(createProgramFolders(dir.path + "/Fzg.txt"));
}

}  // namespace
}  // namespace kub
