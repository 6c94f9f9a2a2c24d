// Receiver list "ZVEI.txt" and vehicle assignments "ZVEI_FMS_Zuord.txt": what is written
// reads back the same (umlauts, commas, colours), the files keep the on-disk format other
// installations read, and the lookups behave as the reception handling needs them.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "storage/receiver_list.h"
#include "support/run_process.h"

namespace kub {
namespace {

namespace fs = std::filesystem;

class ReceiverFiles : public ::testing::Test {
protected:
    void TearDown() override { kubtest::removeTree(dir()); }
    std::string bytes(const std::string& name) const { return kubtest::readFileBytes((folder / name).string()); }

    fs::path folder = kubtest::makeTempDir("kub-receivers");
    std::string dir() const { return folder.string(); }
};

// What is saved reads back: umlauts, and commas, quotes and tabs that the file's own
// separators would otherwise take.
TEST_F(ReceiverFiles, ReceiverListRoundTripsInWindows1252WithCrLf) {
    const std::vector<ReceiverRecord> list = {
        {"12345", "Wehr Müßighausen", 255},       {"1234567", "Gerätewart Öhringen", 0},
        {"09E1C", "Zug Ärzte", 16711680},         {"12345", "Wehr A, Zug 2", 255},
        {"23456", "Halle \"Nord\", Tor 1", 65280}, {"12345", "Wehr\tA", 255},
    };
    const char* namesBack[] = {"Wehr Müßighausen", "Gerätewart Öhringen", "Zug Ärzte", "Wehr A, Zug 2",
                               "Halle 'Nord', Tor 1", "Wehr A"};
    ASSERT_TRUE(saveReceiverList(dir(), std::vector<ReceiverRecord>(list.begin(), list.begin() + 3)));
    EXPECT_EQ(bytes("ZVEI.txt"),
              "12345\tWehr M\xFC\xDFighausen\t255\r\n"
              "1234567\tGer\xE4tewart \xD6hringen\t0\r\n"
              "09E1C\tZug \xC4rzte\t16711680\r\n");
    ASSERT_TRUE(saveReceiverList(dir(), list));
    const auto back = loadReceiverList(dir());
    ASSERT_EQ(back.size(), list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        SCOPED_TRACE(list[i].name);
        EXPECT_EQ(back[i].nummer, list[i].nummer);
        EXPECT_EQ(back[i].name, namesBack[i]);
        EXPECT_EQ(back[i].farbe, list[i].farbe);
    }
    std::vector<AssignmentRecord> assignments;
    ASSERT_TRUE(addAssignment(dir(), assignments, "61234567", "12345", "LF 1, Gruppe"));
    const auto again = loadAssignments(dir());
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].rufname, "LF 1, Gruppe");
}

TEST_F(ReceiverFiles, EmptyReceiverListDeletesTheFile) {
    ASSERT_TRUE(saveReceiverList(dir(), {{"12345", "A", 1}}));
    ASSERT_TRUE(fs::exists(folder / "ZVEI.txt"));
    EXPECT_TRUE(saveReceiverList(dir(), {}));
    EXPECT_FALSE(fs::exists(folder / "ZVEI.txt"));
    EXPECT_TRUE(loadReceiverList(dir()).empty());
}

TEST_F(ReceiverFiles, ReadsFilesWrittenElsewhere) {
    // Blank lines are skipped, a missing colour is 0, a comma ends the line's item.
    std::ofstream(folder / "ZVEI.txt", std::ios::binary) << (
               "12345\tWehr A\r\n"
               "\r\n"
               "54321\tS\xFC" "d, alt\t255\r\n"
               "11111\r\n");
    auto list = loadReceiverList(dir());
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].name, "Wehr A");
    EXPECT_EQ(list[0].farbe, 0);
    EXPECT_EQ(list[1].nummer, "54321");
    EXPECT_EQ(list[1].name, "Süd");
    EXPECT_EQ(list[1].farbe, 0);
    EXPECT_EQ(list[2].nummer, "11111");
    EXPECT_EQ(list[2].name, "");
}

TEST_F(ReceiverFiles, AssignmentsAppendRoundTripAndRemove) {
    std::vector<AssignmentRecord> list;
    ASSERT_TRUE(addAssignment(dir(), list, "61234567", "12345", "LF Bärenstein"));
    ASSERT_TRUE(addAssignment(dir(), list, "61234567", "23456", "LF Bärenstein"));
    ASSERT_TRUE(addAssignment(dir(), list, "69999999", "12345", "RTW Süd"));
    ASSERT_TRUE(addAssignment(dir(), list, "61234567", "12345", "LF Bärenstein"));  // twice
    ASSERT_TRUE(addAssignment(dir(), list, "6123456a", "1234567", "ELW"));
    EXPECT_EQ(bytes("ZVEI_FMS_Zuord.txt"),
              "61234567\t12345\tLF B\xE4renstein\r\n"
              "61234567\t23456\tLF B\xE4renstein\r\n"
              "69999999\t12345\tRTW S\xFC" "d\r\n"
              "61234567\t12345\tLF B\xE4renstein\r\n"
              "6123456a\t1234567\tELW\r\n");
    EXPECT_EQ(list.size(), 5u);

    auto loaded = loadAssignments(dir());
    ASSERT_EQ(loaded.size(), 5u);
    EXPECT_EQ(loaded[2].kennung, "69999999");
    EXPECT_EQ(loaded[2].code, "12345");
    EXPECT_EQ(loaded[2].rufname, "RTW Süd");

    // Both copies of X/12345 go; X keeps 23456, 12345 stays on the other vehicle.
    ASSERT_TRUE(removeAssignment(dir(), list, "61234567", "12345"));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].code, "23456");
    EXPECT_EQ(list[1].kennung, "69999999");
    // Letters compare without case.
    ASSERT_TRUE(removeAssignment(dir(), list, "6123456A", "1234567"));
    ASSERT_EQ(list.size(), 2u);

    auto reread = loadAssignments(dir());
    ASSERT_EQ(reread.size(), 2u);
    EXPECT_EQ(reread[0].kennung, "61234567");
    EXPECT_EQ(reread[0].code, "23456");
    EXPECT_EQ(reread[1].kennung, "69999999");
    EXPECT_EQ(reread[1].rufname, "RTW Süd");
}

TEST_F(ReceiverFiles, AFailedRewriteKeepsTheOldFile) {
    ASSERT_TRUE(saveReceiverList(dir(), {{"12345", "Wehr A", 255}}));
    std::vector<AssignmentRecord> assignments;
    ASSERT_TRUE(addAssignment(dir(), assignments, "61234567", "12345", "LF 1"));
    ASSERT_TRUE(addAssignment(dir(), assignments, "61234567", "23456", "LF 1"));
    const std::string receiversBefore = bytes("ZVEI.txt");
    const std::string assignmentsBefore = bytes("ZVEI_FMS_Zuord.txt");
    // Something in the way of the new file: the write fails.
    fs::create_directories(folder / "ZVEI.txt.neu");
    fs::create_directories(folder / "ZVEI_FMS_Zuord.txt.neu");

    EXPECT_FALSE(saveReceiverList(dir(), {{"99999", "Neu", 1}}));
    EXPECT_EQ(bytes("ZVEI.txt"), receiversBefore);
    EXPECT_FALSE(removeAssignment(dir(), assignments, "61234567", "12345"));
    EXPECT_EQ(bytes("ZVEI_FMS_Zuord.txt"), assignmentsBefore);
    ASSERT_EQ(assignments.size(), 1u);  // the list in memory holds the change
    EXPECT_EQ(assignments[0].code, "23456");
}

TEST_F(ReceiverFiles, MissingFilesGiveEmptyLists) {
    ReceiverLists lists;
    lists.receiverList.push_back({"1", "x", 0});
    lists.load(dir());
    EXPECT_EQ(lists.receiverCount(), 0);
    EXPECT_EQ(lists.assignmentCount(), 0);
}

TEST(ReceiverLookup, FirstMatchWinsCaseInsensitiveWithVehicleSuffix) {
    ReceiverLists l;
    l.receiverList = {{"1234C", "Wehr A", 0}, {"1234c", "zweite", 255}, {"55555", "Blau", 16711680}};
    l.assignmentList = {{"61234567", "1234c", "LF 1"}, {"62222222", "1234C", "LF 2"}};

    l.assignmentList.push_back({"63333333", "77777", "RTW"});
    const struct {
        const char* code;
        const char* name;
        std::uint32_t colour;
    } cases[] = {
        {"1234c", "Wehr A (LF 1) ", kNoColour},  // colour 0 shows light grey
        {"55555", "Blau", 16711680u},
        {"99999", "", kNoColour},  // in neither list
        {"77777", " (RTW) ", kNoColour},  // only assigned
    };
    for (const auto& c : cases) {
        const auto d = l.display(c.code);
        EXPECT_EQ(d.name, c.name) << c.code;
        EXPECT_EQ(d.colour, c.colour) << c.code;
    }
    EXPECT_EQ(l.assignedRufname("77777"), "RTW");
    EXPECT_EQ(l.assignedRufname("12345"), "");
    EXPECT_EQ(l.findReceiver("123"), nullptr);
}

}  // namespace
}  // namespace kub
