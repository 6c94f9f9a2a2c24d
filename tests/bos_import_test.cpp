// Reading I-R-F-BOS files: sections, fixed positions, short lines, unknown headers.

#include <gtest/gtest.h>

#include "import/bos_file.h"

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
