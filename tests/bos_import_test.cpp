// Reading I-R-F-BOS files: sections, fixed positions, short lines, unknown headers.

#include <gtest/gtest.h>

#include "import/bos_file.h"
#include "support/run_process.h"

namespace kub {
namespace {

TEST(BosFile, ReadsCallNamesAndFiveToneNumbersFromTheirSections) {
    BosFile f;
    ASSERT_TRUE(readBosFile(KUB_TEST_DATA_DIR "/musterstadt.bos", f));
    ASSERT_EQ(f.vehicles.size(), 5u);
    EXPECT_EQ(f.vehicles[0].kennung, "62341234");
    EXPECT_EQ(f.vehicles[0].rufname, "Florian Musterstadt 40/1");
    EXPECT_EQ(f.vehicles[1].kennung, "62341235");
    // Separators are skipped whatever they are; the line is cut at its comma.
    EXPECT_EQ(f.vehicles[2].kennung, "62341236");
    EXPECT_EQ(f.vehicles[2].rufname, "Florian Süd 44/1");
    // "zu kurz 1234567" has 15 characters: skipped. A 17-character line is taken.
    EXPECT_EQ(f.vehicles[3].kennung, "62341237");
    EXPECT_EQ(f.vehicles[3].rufname, "XY");
    // A header in other letter case is an ordinary line of the current section.
    EXPECT_EQ(f.vehicles[4].kennung, "62349999");
    EXPECT_EQ(f.vehicles[4].rufname, "Kleinschreibung bleibt Rufnamen");

    ASSERT_EQ(f.receivers.size(), 3u);
    EXPECT_EQ(f.receivers[0].code, "25431");
    EXPECT_EQ(f.receivers[0].name, "Löschzug Musterstadt");
    EXPECT_EQ(f.receivers[1].name, "Ölwehr");
    // Exactly six characters: ignored; seven: a receiver with an empty name.
    EXPECT_EQ(f.receivers[2].code, "25434");
    EXPECT_EQ(f.receivers[2].name, "");
}

TEST(BosFile, MissingFileAndChooserResults) {
    BosFile f;
    EXPECT_FALSE(readBosFile(KUB_TEST_DATA_DIR "/fehlt.bos", f));
    EXPECT_TRUE(f.vehicles.empty());
    EXPECT_TRUE(isBosFilePath("/home/wache/Daten/LANDKREIS.BOS"));
    EXPECT_TRUE(isBosFilePath("/home/wache/daten.bos"));
    EXPECT_TRUE(isBosFilePath("x.Bos.txt"));
    EXPECT_FALSE(isBosFilePath("/home/wache/daten.txt"));
    EXPECT_FALSE(isBosFilePath(""));
}

}  // namespace
}  // namespace kub

#include "import/bos_import.h"

namespace kub {
namespace {

VehicleTable namedTable(BoardLayout layout, int named) {
    VehicleTable t;
    t.applyLayout(layout);
    for (int i = 0; i < named; ++i) {
        auto& r = t.vehicleTable[static_cast<std::size_t>(i)];
        r.kennung = "alt" + std::to_string(i);
        r.rufname = "Alt " + std::to_string(i);
        r.status = 2;
        r.tki = 1;
        r.statusTime = "01.01. 10:00";
    }
    t.lastNamedSlot = static_cast<std::int16_t>(named - 1);
    return t;
}

TEST(BosImport, ReplaceOverwritesFromSlotZeroAndKeepsTheRest) {
    VehicleTable t = namedTable(BoardLayout::Columns5Rows10, 20);
    EXPECT_EQ(importBosFile(KUB_TEST_DATA_DIR "/musterstadt.bos", BosImportMode::Vehicles, {&t, nullptr, false}), 5);
    EXPECT_EQ(t.vehicleTable[0].kennung, "62341234");
    EXPECT_EQ(t.vehicleTable[0].eigenschaft, "Florian Musterstadt 40/1");
    EXPECT_EQ(t.vehicleTable[0].status, 6);
    EXPECT_EQ(t.vehicleTable[0].tki, 1);  // TKI and time stay as they were
    EXPECT_EQ(t.vehicleTable[0].statusTime, "01.01. 10:00");
    EXPECT_EQ(t.vehicleTable[5].kennung, "alt5");
    // Slots 5..19 keep their vehicles, so the last named slot stays 19: lowered to 4, the
    // FMS lookup would no longer find them and the next append would overwrite them.
    EXPECT_EQ(t.lastNamedSlot, 19);
}

TEST(BosImport, ImportedVehiclesComeBackWithStatusSixNotTheirPredecessorsStatus) {
    const std::string dir = kubtest::makeTempDir("kub-import");
    ASSERT_TRUE(createProgramFolders(dir));
    VehicleTable t = namedTable(BoardLayout::Columns5Rows10, 20);
    for (int slot = 0; slot < 20; ++slot) ASSERT_TRUE(writeStatusFile(dir, t, slot, "01.01. 10:00"));
    std::vector<int> imported;
    ASSERT_EQ(importBosFile(KUB_TEST_DATA_DIR "/musterstadt.bos", BosImportMode::Vehicles,
                            {&t, nullptr, false, &imported}),
              5);
    EXPECT_EQ(imported, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_TRUE(saveImportedVehicles(dir, t, imported).empty());

    VehicleTable next;  // the next start
    next.applyLayout(BoardLayout::Columns5Rows10);
    ASSERT_TRUE(loadVehicleTable(dir, next));
    loadStatusFiles(dir, next);
    for (int slot = 0; slot < 5; ++slot) {
        EXPECT_EQ(next.vehicleTable[static_cast<std::size_t>(slot)].status, 6) << slot;
        EXPECT_EQ(next.vehicleTable[static_cast<std::size_t>(slot)].statusTime, "01.01. 10:00") << slot;
    }
    EXPECT_EQ(next.vehicleTable[0].kennung, "62341234");
    EXPECT_EQ(next.vehicleTable[5].status, 2);  // not imported: keeps its own
    kubtest::removeTree(dir);
}

TEST(BosImport, AppendStartsAfterTheLastNamedSlotAndNeverFillsTheLastSlot) {
    VehicleTable t = namedTable(BoardLayout::Columns5Rows10, 42);  // last named slot 41
    EXPECT_EQ(importBosFile(KUB_TEST_DATA_DIR "/musterstadt.bos", BosImportMode::Vehicles, {&t, nullptr, true}), 5);
    EXPECT_EQ(t.vehicleTable[42].kennung, "62341234");
    EXPECT_EQ(t.lastNamedSlot, 46);

    VehicleTable full = namedTable(BoardLayout::Columns5Rows10, static_cast<int>(1500 - 4));  // slots 0..1495 named
    EXPECT_EQ(importBosFile(KUB_TEST_DATA_DIR "/musterstadt.bos", BosImportMode::Vehicles, {&full, nullptr, true}), 3);
    EXPECT_EQ(full.vehicleTable[1498].kennung, "62341236");  // vehicleCount - 2
    EXPECT_TRUE(full.vehicleTable[1499].kennung.empty());
    EXPECT_EQ(full.lastNamedSlot, 1498);
}

TEST(BosImport, ReceiversAreAppendedWithoutColourAndMissingFilesImportNothing) {
    ReceiverLists lists;
    lists.receiverList.push_back({"25431", "schon da", 255});
    EXPECT_EQ(importBosFile(KUB_TEST_DATA_DIR "/musterstadt.bos", BosImportMode::Receivers, {nullptr, &lists, false}), 3);
    ASSERT_EQ(lists.receiverList.size(), 4u);
    EXPECT_EQ(lists.receiverList[1].nummer, "25431");  // duplicates are not looked for
    EXPECT_EQ(lists.receiverList[1].farbe, 0);
    EXPECT_EQ(lists.display("25432").name, "Ölwehr");

    VehicleTable t = namedTable(BoardLayout::Columns10Rows20, 3);
    EXPECT_EQ(importBosFile(KUB_TEST_DATA_DIR "/fehlt.bos", BosImportMode::Vehicles, {&t, &lists, false}), 0);
    EXPECT_EQ(t.vehicleTable[0].kennung, "alt0");
}

}  // namespace
}  // namespace kub
