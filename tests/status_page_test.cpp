// The HTML status page: colours, layout down the columns, reception tables, escaping.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "storage/settings.h"
#include "support/run_process.h"
#include "web/status_page.h"

namespace kub {
namespace {

StatusPageInput board(int columns, int rows) {
    StatusPageInput in;
    in.columns = columns;
    in.rows = rows;
    in.tiles.resize(static_cast<std::size_t>(columns * rows));
    Settings s = defaultSettings();
    in.statusColours.assign(s.statusColours.begin(), s.statusColours.end());
    return in;
}

long countOf(const std::vector<std::string>& lines, const std::string& what) {
    return std::count(lines.begin(), lines.end(), what);
}

TEST(StatusPage, ColourTextsSwapToRedGreenBlue) {
    EXPECT_EQ(htmlColour(14737632), "#E0E0E0");
    EXPECT_EQ(htmlColour(12648384), "#C0FFC0");
    EXPECT_EQ(htmlColour(255), "#FF0000");
    EXPECT_EQ(htmlColour(0), "#000000");
    EXPECT_EQ(htmlColour(-2147483633), "#0F0000");  // system colour 15
}

TEST(StatusPage, SmallBoardLinesAreExactlyAsPublished) {
    StatusPageInput in = board(5, 10);
    in.tiles[0] = {"", "Wache Nord"};             // heading
    in.tiles[1] = {"62341234", "HLF 20", 2};       // slot 1: row 1, column 0
    in.tiles[10] = {"6234", "RTW", 6};             // slot 10: row 0, column 1; short Kennung
    in.zveiRows = {"25431\tLöschzug\t07.12.2026 04:33:51"};
    const auto l = statusPageLines(in, LocalTime{2026, 12, 7, 4, 33, 51});

    const std::vector<std::string> head = {
        "<HTML>", "<HEAD>", "<title>KUB-Monitor Web-Statusanzeige</title>",
        "<meta http-equiv=refresh content=60; URL=offene.html>", "</HEAD>",
        "<BODY LINK=white VLINK=white BACKGROUND=back.jpg>",
        "<H2>Einsatzleitstelle - Status der Einsatzfahrzeuge</H2>",
        "letzte Datenänderung: 07.12.2026 - 04:33:51 Uhr (Refresh alle 60 Sekunden)", "<BR>",
        "<TABLE CELLSPACING=1 BORDER=1 width=800>",
        // row 0: slot 0 (heading), slot 10 (vehicle), slots 20, 30, 40 empty
        "<TR>", "<TD width=5% BGCOLOR=BLACK>", "<font size=3 color=WHITE>Wache Nord</FONT>", "</TD>",
        "<TD width=5% BGCOLOR=#0F0000>", "<font size=3 color=black>RTW</FONT>", "</TD>",
        "<TD width=5% BGCOLOR=WHITE>", "<font size=3 color=WHITE>&nbsp;</FONT>", "</TD>",
        "<TD width=5% BGCOLOR=WHITE>", "<font size=3 color=WHITE>&nbsp;</FONT>", "</TD>",
        "<TD width=5% BGCOLOR=WHITE>", "<font size=3 color=WHITE>&nbsp;</FONT>", "</TD>",
        "</TR>",
        "<TR>", "<TD width=5% BGCOLOR=#FFFFC0>", "<font size=3 color=black>HLF 20</FONT>", "</TD>"};
    ASSERT_GE(l.size(), head.size());
    EXPECT_EQ(std::vector<std::string>(l.begin(), l.begin() + static_cast<long>(head.size())), head);
    EXPECT_EQ(countOf(l, "<TR>"), 10 + 1);  // ten board rows and one ZVEI row

    const std::vector<std::string> tail = {
        "</TABLE>", "<BR>", "<H4>Letzte ZVEI-Eingänge</H4>", "<TABLE width=800 Border=1>",
        "<TR>", "<TD width=20% bgcolor=#E0E0E0>", "25431", "</TD>",
        "<TD width=20% bgcolor=#E0E0E0>", "Löschzug", "</TD>",
        "<TD width=80% bgcolor=#E0E0E0>", "07.12.2026 04:33:51", "</TD>", "</TR>",
        "</TABLE>", "<H4>Letzte POC-Eingänge</H4>", "<TABLE width=800 Border=1>", "</TABLE>",
        "<DIV style=\"position: absolute; top: 78px; left: 820px;\">", "<TABLE width=100 Border=1>",
        "<TR><TD bgcolor=#C0FFC0>", "Status 1", "</TD></TR>",
        "<TR><TD bgcolor=#FFFFC0>", "Status 2", "</TD></TR>",
        "<TR><TD bgcolor=#FFC0C0>", "Status 3", "</TD></TR>",
        "<TR><TD bgcolor=#FFC080>", "Status 4", "</TD></TR>",
        "<TR><TD bgcolor=#C0C0FF>", "Status 5", "</TD></TR>",
        "<TR><TD bgcolor=#0F0000>", "Status 6", "</TD></TR>",
        "<TR><TD bgcolor=#FFFFFF>", "Status 7", "</TD></TR>",
        "<TR><TD bgcolor=#FF00FF>", "Status 8", "</TD></TR>",
        "<TR><TD bgcolor=#80FFFF>", "Status 9", "</TD></TR>",
        "</TABLE>", "</DIV>", "</BODY>", "</HTML>"};
    ASSERT_GE(l.size(), tail.size());
    EXPECT_EQ(std::vector<std::string>(l.end() - static_cast<long>(tail.size()), l.end()), tail);
    EXPECT_EQ(l.size(), 10u + 10 * (2 + 5 * 3) + tail.size());
}

TEST(StatusPage, LargeBoardTakesTheNewestTenReceptionsAndStaysWellFormed) {
    StatusPageInput in = board(10, 20);
    in.tiles[199] = {"11111111", "ELW", 0};   // emergency: no colour of its own
    in.tiles[198] = {"22222222", "DLK", 14};
    for (int i = 0; i < 25; ++i) in.zveiRows.push_back(std::to_string(10000 + i) + "\t?\tZeit");
    in.pocsagRows.push_back("1234567\t3\t<b>Wache</b>\tZeit\tB3 \"Feuer\" & Rauch <script>alert(1)</script>");
    const auto l = statusPageLines(in, LocalTime{2026, 1, 1, 0, 0, 0});
    EXPECT_EQ(countOf(l, "<TD width=10% BGCOLOR=WHITE>"), 198);
    EXPECT_EQ(countOf(l, "<TD width=10% BGCOLOR=#E0E0E0>"), 2);
    EXPECT_EQ(countOf(l, "<TR>"), 20 + 10 + 1);
    EXPECT_EQ(countOf(l, "<TD width=20% bgcolor=#E0E0E0>"), 2 * 10 + 1);  // and the POCSAG name
    EXPECT_EQ(countOf(l, "10000"), 1);
    EXPECT_EQ(countOf(l, "10010"), 0);  // only the first (newest) ten rows
    EXPECT_EQ(countOf(l, "&lt;b&gt;Wache&lt;/b&gt;"), 1);
    EXPECT_EQ(countOf(l, "B3 &quot;Feuer&quot; &amp; Rauch &lt;script&gt;alert(1)&lt;/script&gt;"), 1);
    for (const auto& line : l) EXPECT_EQ(line.find("<script"), std::string::npos);
    // Every opened board cell is closed.
    EXPECT_EQ(countOf(l, "</TD>"), 200 + 10 * 3 + 5);
}

TEST(StatusPage, FileIsCp1252WithCrLf) {
    const std::string dir = kubtest::makeTempDir("kub-page");
    ASSERT_TRUE(writeStatusPage(dir, board(5, 10), LocalTime{2026, 3, 7, 8, 5, 1}));
    const std::string bytes = kubtest::readFileBytes(dir + "/status.html");
    EXPECT_EQ(bytes.substr(0, 14), "<HTML>\r\n<HEAD>");
    EXPECT_NE(bytes.find("letzte Daten\xE4nderung: 07.03.2026 - 08:05:01 Uhr"), std::string::npos);
    EXPECT_EQ(bytes.substr(bytes.size() - 9), "</HTML>\r\n");
    EXPECT_FALSE(writeStatusPage(dir + "/fehlt", board(5, 10), LocalTime{}));
    kubtest::removeTree(dir);
}

}  // namespace
}  // namespace kub

#include "common/clock.h"
#include "storage/day_log.h"
#include "storage/text_file.h"
#include "storage/vehicle_table.h"

namespace kub {
namespace {

TEST(StatusPage, ToolWritesThePageOfAProgramFolder) {
    const std::string dir = kubtest::makeTempDir("kub-pagetool");
    ASSERT_TRUE(createProgramFolders(dir));
    Settings s = defaultSettings();
    s.layout = BoardLayout::Columns5Rows10;  // 5 x 10
    s.statusColours[2] = 255;  // status 3 in red
    ASSERT_TRUE(saveSettings(dir, s));
    VehicleTable t;
    t.applyLayout(BoardLayout::Columns5Rows10);
    t.vehicleTable[0] = {"", "Wache Süd", "", 0, 0, ""};
    t.vehicleTable[1] = {"62341234", "HLF <20>", "Löschfahrzeug", 3, 0, ""};
    ASSERT_TRUE(saveVehicleTable(dir, t));
    ASSERT_TRUE(writeStatusFile(dir, t, 1, "07.12. 04:55"));
    WallClock clock;
    for (int i = 0; i < 12; ++i)
        ASSERT_TRUE(appendDayLog(dir, LogKind::Zvei, clock, std::to_string(25400 + i) + "\tZug\tZeit"));

    auto r = kubtest::runProcess(std::string(KUBMON_EXE) + " page --folder " + dir);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto lines = readTextLines(dir + "/status.html");
    ASSERT_TRUE(lines);
    const auto& l = *lines;
    auto at = std::find(l.begin(), l.end(), "<font size=3 color=black>HLF &lt;20&gt;</FONT>");
    ASSERT_NE(at, l.end());
    EXPECT_EQ(*(at - 1), "<TD width=5% BGCOLOR=#FF0000>");
    EXPECT_EQ(countOf(l, "<font size=3 color=WHITE>Wache Süd</FONT>"), 1);
    EXPECT_EQ(countOf(l, "25411"), 1);  // newest first
    EXPECT_EQ(countOf(l, "25401"), 0);  // only ten rows
    EXPECT_EQ(countOf(l, "<TR>"), 10 + 10);
    kubtest::removeTree(dir);

    EXPECT_EQ(kubtest::runProcess(std::string(KUBMON_EXE) + " page").exitCode, 2);
}

}  // namespace
}  // namespace kub
