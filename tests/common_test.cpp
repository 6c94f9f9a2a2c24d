// Time texts, clocks and the on-disk text format shared by every data file.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <ctime>
#include <fstream>
#include <sstream>
#include <tuple>

#include "common/clock.h"
#include "common/date_time_parse.h"
#include "common/time_text.h"
#include "core/handling/pocsag_handling.h"
#include "export/export_line.h"
#include "storage/day_log.h"
#include "storage/text_file.h"
#include "support/run_process.h"

namespace kub {
namespace {

TEST(TimeTexts, GermanFormsWhateverTheLocale) {
    LocalTime t{2026, 12, 7, 4, 33, 51};
    EXPECT_EQ(dateTimeText(t), "07.12.2026 04:33:51");
    EXPECT_EQ(shortDateText(t), "07.12.2026");
    EXPECT_EQ(timeText(t), "04:33:51");
    EXPECT_EQ(statusTimeText(LocalTime{2026, 12, 7, 4, 55, 9}), "07.12. 04:55");
    EXPECT_EQ(statusTimeText(LocalTime{2027, 1, 1, 0, 0, 0}), "01.01. 00:00");
}

TEST(TimeTexts, StatusMinuteReadsBackAndNothingElseDoes) {
    const auto back = parseStatusTimeText(statusTimeText(LocalTime{2026, 2, 29, 23, 59, 9}));
    ASSERT_TRUE(back);
    EXPECT_EQ(std::tie(back->day, back->month, back->hour, back->minute), std::make_tuple(29, 2, 23, 59));
    for (const char* text : {"", "31.04. 04:55", "07.13. 04:55", "07.12. 24:00", "07.12. 04:60", "7.12. 04:55",
                             "07.12.04:55", "07.12. 04:55:09", "-1.12. 04:55", "07.12. 04:5x"})
        EXPECT_FALSE(parseStatusTimeText(text)) << text;
}

TEST(Clocks, StreamTimeRunsWithTheSamplesFedFromTheStart) {
    const double start = kubtest::localEpoch(2026, 3, 7, 23, 59, 50);
    StreamClock c(start);
    EXPECT_EQ(dateTimeText(c.now()), "07.03.2026 23:59:50");
    c.advanceFrames(22050 * 15);  // fifteen seconds of audio later: the next day
    EXPECT_EQ(dateTimeText(c.now()), "08.03.2026 00:00:05");
    EXPECT_DOUBLE_EQ(c.nowSeconds() - start, 15.0);
    EXPECT_EQ(dayLogFileName(LogKind::Fms, c.now()), "FMS-2026-3-8.txt");
    EXPECT_EQ(dayLogFileName(LogKind::Zvei, LocalTime{2027, 1, 1, 0, 0, 0}), "zvei-2027-1-1.txt");
    EXPECT_EQ(dayLogFileName(LogKind::Pocsag, LocalTime{2026, 11, 30, 0, 0, 0}), "poc-2026-11-30.txt");

    WallClock w;
    EXPECT_NEAR(w.nowSeconds(), static_cast<double>(std::time(nullptr)), 2.0);
}

TEST(ExportLines, KeepTheirFieldOrder) {
    EXPECT_EQ(fmsExportLine("12345678", 3, 0, 0), "##FMS#12345678#3#00#+");
    EXPECT_EQ(fmsExportLine("12345678", 12, 2, 1), "##FMS#12345678#12#21#+");
    EXPECT_EQ(zveiExportLine("25431", "Löschzug Süd"), "##ZVEI#25431#Löschzug Süd#+");
    EXPECT_EQ(pocsagExportLine("1234567", 3, "Brand"), "##POC#1234567#3#Brand#+");
}

TEST(ExportLines, TextsFromTheAirCannotEndTheLineOrAddOne) {
    const std::pair<std::string, std::string> cases[] = {
        {"Alarm#+##FMS#DEADBEEF#0#01#+", "##POC#1234570#3#Alarm# +##FMS#DEADBEEF#0#01# +#+"},
        {"+49 Brand", "##POC#1234570#3# +49 Brand#+"},
        {std::string("a\r\nb\tc\0d\x1b\x7f", 10), "##POC#1234570#3#a  b c d  #+"},
        {"Straße # 12 + 3#", "##POC#1234570#3#Straße # 12 + 3##+"},
    };
    for (const auto& [text, line] : cases) {
        EXPECT_EQ(pocsagExportLine("1234570", 3, text), line);
        const std::string row = pocsagRow("1234570", 3, "", "t", text);
        EXPECT_EQ(std::count(row.begin(), row.end(), '\t'), 4) << row;
        EXPECT_EQ(row.find_first_of("\r\n"), std::string::npos) << row;
    }
}

class TextFiles : public ::testing::Test {
protected:
    std::string dir = kubtest::makeTempDir("kub-text");
    void TearDown() override { kubtest::removeTree(dir); }
    std::string bytesOf(const std::string& path) { return kubtest::readFileBytes(path); }
};

TEST_F(TextFiles, WindowsCodePageRoundTripsUmlautsAndSigns) {
    const std::string text = "Äöü ß € „Zitat“ – ‰ Œ ÿ";
    const std::string bytes = utf8ToCp1252(text);
    EXPECT_EQ(bytes, "\xC4\xF6\xFC \xDF \x80 \x84Zitat\x93 \x96 \x89 \x8C \xFF");
    EXPECT_EQ(cp1252ToUtf8(bytes), text);
    EXPECT_EQ(utf8ToCp1252("日本"), "??");           // not in the code page
    EXPECT_EQ(utf8ToCp1252("a\xC3"), "a?");          // cut sequence
    EXPECT_EQ(cp1252ToUtf8(utf8ToCp1252("\xFF\xFE")), "??");  // not UTF-8 at all
}

TEST_F(TextFiles, WrittenBytesAreCp1252WithCrLf) {
    const std::string path = dir + "/Wachen.txt";
    ASSERT_TRUE(writeTextLines(path, {"Feuerwache Süd", numberLine(3), numberLine(-1), ""}));
    EXPECT_EQ(bytesOf(path), "Feuerwache S\xFC" "d\r\n 3 \r\n-1 \r\n\r\n");
    ASSERT_TRUE(appendTextLine(path, "Ölspur\tA"));
    EXPECT_EQ(bytesOf(path).substr(bytesOf(path).size() - 10), "\xD6lspur\tA\r\n");
    auto lines = readTextLines(path);
    ASSERT_TRUE(lines);
    EXPECT_EQ(*lines, (std::vector<std::string>{"Feuerwache Süd", " 3 ", "-1 ", "", "Ölspur\tA"}));
    EXPECT_FALSE(writeTextLines(dir + "/fehlt/x.txt", {"a"}));
    EXPECT_FALSE(readTextLines(dir + "/fehlt.txt"));
    EXPECT_FALSE(fileExists(dir + "/fehlt.txt"));
    EXPECT_TRUE(fileExists(path));
}

TEST_F(TextFiles, ReplacingAFileNeverLosesTheOldOneAndSplitsTabs) {
    const std::string path = dir + "/Fzg.txt";
    ASSERT_TRUE(replaceTextLines(path, {"alt"}));
    ASSERT_TRUE(replaceTextLines(path, {"neu", "zwei"}));
    EXPECT_EQ(bytesOf(path), "neu\r\nzwei\r\n");
    EXPECT_FALSE(fileExists(path + ".neu"));
    // The side file cannot be made: the old content stays whole.
    std::filesystem::create_directory(path + ".neu");
    EXPECT_FALSE(replaceTextLines(path, {"verloren"}));
    EXPECT_EQ(bytesOf(path), "neu\r\nzwei\r\n");

    EXPECT_EQ(splitTabs("a\t\tb"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(splitTabs(""), (std::vector<std::string>{""}));
}

TEST_F(TextFiles, ItemRuleCutsAtCommasAndHonoursQuotes) {
    EXPECT_EQ(readItem("   Florian 1/44-1"), "Florian 1/44-1");
    EXPECT_EQ(readItem("Brand, Wohnhaus"), "Brand");
    EXPECT_EQ(readItem("  \"Brand, Wohnhaus\" Rest"), "Brand, Wohnhaus");
    EXPECT_EQ(readItem("\"offen"), "offen");
    EXPECT_EQ(readItem("a\tb,c"), "a\tb");
    EXPECT_EQ(readItem(""), "");
    EXPECT_EQ(itemToNumber(" 3 "), 3);
    EXPECT_EQ(itemToNumber("-1 "), -1);
    EXPECT_EQ(itemToNumber("abc"), 0);
    EXPECT_EQ(itemToNumber("99999999999999999999999"), 0);
    EXPECT_EQ(itemToShort("70000"), 0);
    EXPECT_EQ(itemToShort(" 12x"), 12);

    // Line ends of either kind, a missing last line end, and a very long line.
    const std::string path = dir + "/mixed.txt";
    std::ofstream(path, std::ios::binary) << "eins,zwei\r\n\"drei, vier\"\nf\xFCnf" << std::string(100000, 'x');
    auto items = readItemLines(path);
    ASSERT_TRUE(items);
    ASSERT_EQ(items->size(), 3u);
    EXPECT_EQ((*items)[0], "eins");
    EXPECT_EQ((*items)[1], "drei, vier");
    EXPECT_EQ((*items)[2], "fünf" + std::string(100000, 'x'));
}

}  // namespace
}  // namespace kub
