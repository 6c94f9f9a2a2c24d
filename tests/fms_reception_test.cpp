// The handling of accepted and rejected FMS receptions against the recording window:
// vehicle lookups, status updates with their files, rows, log, alert lists, action
// program, status page flag and exports.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/time_text.h"
#include "core/handling/fms_handling.h"
#include "storage/day_log.h"
#include "storage/text_file.h"
#include "support/fms_support.h"

namespace kub {
namespace {

struct RecordingLauncher : ActionLauncher {
    struct Call {
        std::string program;
        std::vector<std::string> args;
    };
    std::vector<Call> calls;
    void launch(const std::string& p, std::vector<std::string> a) override { calls.push_back({p, a}); }
};

class FmsReception : public ::testing::Test {
protected:
    void SetUp() override {
        ctx.programFolder = dir.path;
        ASSERT_TRUE(createProgramFolders(dir.path));
        ctx.launcher = &launcher;
        ctx.actionProgram = "/usr/local/bin/aktion";
        auto& t = ctx.vehicles;
        for (auto& r : t.vehicleTable) r.status = 6;
        place(0, "Wache Nord", "", "");
        place(1, "Florian 1/44-1", "HLF 20", "623B1234");
        place(2, "Florian 1/83-1", "RTW", "62341234");
        place(3, "Florian 1/10-1", "ELW", "61000001");
        t.lastNamedSlot = 3;
        // A vehicle beyond the last named slot (entered without a name).
        t.vehicleTable[250].kennung = "62349999";
    }
    void place(int slot, const char* name, const char* info, const char* kennung) {
        auto& r = ctx.vehicles.vehicleTable[static_cast<std::size_t>(slot)];
        r.rufname = name;
        r.eigenschaft = info;
        r.kennung = kennung;
    }
    FmsTelegramEvent telegram(const char* kennung, int status, int direction, int tki, const char* text = "") {
        FmsTelegramEvent t;
        t.kennung = kennung;
        t.status = status;
        t.direction = direction;
        t.tki = tki;
        t.text = text;
        return t;
    }
    std::vector<std::string> logLines() {
        auto lines = readTextLines(dayLogPath(dir.path, LogKind::Fms, clock.now()));
        return lines ? *lines : std::vector<std::string>{};
    }
    const HeadlessWindow::Row& topRow() { return window.rows(ReceptionTable::Fms).front(); }

    test::TempFolder dir;
    ManualClock clock{1796620431.0};  // 7 December 2026
    HeadlessWindow window;
    ReceptionContext ctx{clock, window};
    RecordingLauncher launcher;
};

TEST_F(FmsReception, StatusFromAKnownVehicleUpdatesEverything) {
    ctx.tcpExportOn = true;
    ctx.windowMessageExportOn = true;
    handleFmsReception(ctx, telegram("623b1234", 3, 0, 2), "left");  // matched ignoring case
    const auto& slot = ctx.vehicles.vehicleTable[1];
    EXPECT_EQ(slot.status, 3);
    EXPECT_EQ(slot.tki, 2);
    const std::string now = statusTimeText(clock.now());
    EXPECT_EQ(slot.statusTime, now);
    EXPECT_EQ(window.boardRedraws, 1);
    auto status = readTextLines(dir.path + "/Status/1.txt");
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, std::vector<std::string>{"3\t2\t" + now});

    const auto cells = test::splitTabs(topRow().text);
    ASSERT_EQ(cells.size(), 8u);
    EXPECT_EQ(cells[0], "Florian 1/44-1");
    EXPECT_EQ(cells[1], "HLF 20");
    EXPECT_EQ(cells[2], "623b1234");
    EXPECT_EQ(cells[3], "3");
    EXPECT_EQ(cells[4], "2");
    EXPECT_EQ(cells[5], "Fzg->Lst");
    EXPECT_EQ(cells[6], dateTimeText(clock.now()));
    EXPECT_EQ(cells[7], "");
    EXPECT_EQ(logLines(), std::vector<std::string>{topRow().text});

    ASSERT_EQ(launcher.calls.size(), 1u);
    EXPECT_EQ(launcher.calls[0].program, "/usr/local/bin/aktion");
    EXPECT_EQ(launcher.calls[0].args, (std::vector<std::string>{"FMS", "623b1234"}));
    EXPECT_TRUE(ctx.pageChange.pageChangedPending());
    EXPECT_EQ(window.sentMessages, std::vector<std::string>{"##FMS#623b1234#3#20#+"});
    EXPECT_EQ(window.anwendungLines, window.sentMessages);
    EXPECT_EQ(window.receptionLines, window.sentMessages);
}

TEST_F(FmsReception, StatusTowardsTheVehicleOnlyIdentifiesIt) {
    handleFmsReception(ctx, telegram("623B1234", 3, 1, 0), "left");
    EXPECT_EQ(ctx.vehicles.vehicleTable[1].status, 6);
    EXPECT_EQ(window.boardRedraws, 0);
    EXPECT_FALSE(fileExists(dir.path + "/Status/1.txt"));
    const auto cells = test::splitTabs(topRow().text);
    EXPECT_EQ(cells[0], "Florian 1/44-1");
    EXPECT_EQ(cells[3], "C");
    EXPECT_EQ(cells[5], "Lst->Fzg");
    EXPECT_TRUE(launcher.calls.empty());
    EXPECT_TRUE(ctx.pageChange.pageChangedPending());
    EXPECT_EQ(window.receptionLines, std::vector<std::string>{"##FMS#623B1234#3#01#+"});
    EXPECT_TRUE(window.sentMessages.empty()) << "exports switched off";
    EXPECT_TRUE(window.anwendungLines.empty());
}

TEST_F(FmsReception, AlertStatusesGoToTheirListsAndKeepTheStoredStatus) {
    handleFmsReception(ctx, telegram("623B1234", 5, 0, 0), "left");
    EXPECT_EQ(ctx.vehicles.vehicleTable[1].status, 6);
    const auto& l2 = window.alerts(AlertList::List2);
    ASSERT_EQ(l2.lines.size(), 1u);
    const LocalTime now = clock.now();
    EXPECT_EQ(l2.lines[0], timeText(now) + " 623B1234        \t" + dateTimeText(now));
    EXPECT_EQ(l2.selected, 0);
    EXPECT_EQ(l2.colour, 65280u);
    EXPECT_EQ(test::splitTabs(topRow().text)[0], "Florian 1/44-1");
    EXPECT_EQ(launcher.calls.size(), 1u) << "status below 10 from the vehicle";

    handleFmsReception(ctx, telegram("62341234", 0, 0, 0), "left");
    EXPECT_EQ(window.alerts(AlertList::List3).lines.size(), 1u);
    handleFmsReception(ctx, telegram("62341234", 15, 1, 0), "left");
    EXPECT_EQ(window.alerts(AlertList::List1).lines.size(), 1u);
    EXPECT_EQ(test::splitTabs(topRow().text)[3], "Quittung");
    EXPECT_EQ(launcher.calls.size(), 2u) << "status 0 launches, 15 does not";
    // Status 12 and 13 are looked up in all slots, even beyond the last named one.
    handleFmsReception(ctx, telegram("62349999", 13, 0, 0), "left");
    EXPECT_EQ(test::splitTabs(topRow().text)[0], "");
    EXPECT_EQ(test::splitTabs(topRow().text)[2], "62349999");
}

TEST_F(FmsReception, UnknownVehiclesAndStatus11) {
    handleFmsReception(ctx, telegram("623B1234", 11, 0, 0), "left");
    auto cells = test::splitTabs(topRow().text);
    EXPECT_EQ(cells[0], "?");
    EXPECT_EQ(cells[1], "Feuerwehr" + std::string(23, ' ') + " " + "Bad-Würt" + std::string(8, ' '));
    EXPECT_TRUE(launcher.calls.empty());
    EXPECT_FALSE(ctx.pageChange.pageChangedPending());
    EXPECT_EQ(window.receptionLines.size(), 1u);

    // A status 1..9 from a slot above the last named one: unknown.
    handleFmsReception(ctx, telegram("62349999", 2, 0, 0), "left");
    EXPECT_EQ(test::splitTabs(topRow().text)[0], "?");
    EXPECT_EQ(ctx.vehicles.vehicleTable[250].status, 6);
    EXPECT_FALSE(ctx.pageChange.pageChangedPending());

    handleFmsReception(ctx, telegram("DA123456", 4, 0, 1), "left");
    cells = test::splitTabs(topRow().text);
    EXPECT_EQ(cells[1], "Rettungsdienst" + std::string(18, ' ') + " " + "Rheinla-Pf" + std::string(6, ' '));
    EXPECT_EQ(logLines().size(), 3u);
    EXPECT_EQ(window.receptionLines.size(), 3u);
}

TEST_F(FmsReception, RejectedTelegramsLeaveNoTrace) {
    window.insertTableRow(ReceptionTable::Fms, "alt");
    for (const char* k : {"60000001", "0000123", "00001234", "FFFF1234", "623B11234"})
        handleFmsReception(ctx, telegram(k, 0, 0, 0), "left");
    auto st = telegram("623B1234", 3, 0, 0);
    st.undecidablePosition = 17;
    handleFmsReception(ctx, st, "left");
    EXPECT_EQ(window.rows(ReceptionTable::Fms).size(), 1u);
    EXPECT_TRUE(window.receptionLines.empty());
    EXPECT_TRUE(window.alerts(AlertList::List3).lines.empty());
    EXPECT_TRUE(logLines().empty());
    EXPECT_EQ(ctx.vehicles.vehicleTable[1].status, 6);

    // "61000001" has five zeros and is a vehicle in the table.
    handleFmsReception(ctx, telegram("61000001", 2, 0, 0), "left");
    EXPECT_EQ(ctx.vehicles.vehicleTable[3].status, 2);
}

TEST_F(FmsReception, TheTableIsCutAt500RowsEvenForRejectedTelegrams) {
    for (int i = 0; i < 500; ++i) window.insertTableRow(ReceptionTable::Fms, "r");
    ASSERT_EQ(window.tableRowCount(ReceptionTable::Fms), 501);
    handleFmsReception(ctx, telegram("00001234", 3, 0, 0), "left");  // rejected
    EXPECT_EQ(window.tableRowCount(ReceptionTable::Fms), 1);
    for (int i = 0; i < 499; ++i) window.insertTableRow(ReceptionTable::Fms, "r");
    handleFmsReception(ctx, telegram("623B1234", 3, 0, 0), "left");
    EXPECT_EQ(window.tableRowCount(ReceptionTable::Fms), 501) << "500 rows are not cut";
    handleFmsReception(ctx, telegram("623B1234", 4, 0, 0), "left");
    EXPECT_EQ(window.tableRowCount(ReceptionTable::Fms), 2);
}

TEST_F(FmsReception, AlertListsAreClearedAbove100Lines) {
    for (int i = 0; i < 101; ++i) addAlertLine(ctx, AlertList::List1, "x");
    EXPECT_EQ(window.alertLineCount(AlertList::List1), 101);
    addAlertLine(ctx, AlertList::List1, "  Tonruf I  ");
    ASSERT_EQ(window.alertLineCount(AlertList::List1), 1);
    EXPECT_EQ(window.alerts(AlertList::List1).lines[0].substr(9), "Tonruf I        \t" + dateTimeText(clock.now()));
    addAlertLine(ctx, AlertList::List1, "00000000");
    EXPECT_EQ(window.alertLineCount(AlertList::List1), 1);
}

TEST_F(FmsReception, TextGoesToTheLastCellAndNoLaunchForStatus10) {
    handleFmsReception(ctx, telegram("62341234", 10, 1, 0, "Einsatz Hauptstraße"), "left");
    const auto cells = test::splitTabs(topRow().text);
    EXPECT_EQ(cells[3], "c");
    EXPECT_EQ(cells[7], "Einsatz Hauptstraße");
    ASSERT_EQ(logLines().size(), 1u);
    EXPECT_EQ(logLines()[0], topRow().text) << "the log keeps the umlaut through cp1252";
    EXPECT_TRUE(launcher.calls.empty());
}

TEST_F(FmsReception, FailedWritesAreReportedAndTheReceptionStillHandled) {
    std::vector<std::string> failures;
    ctx.reportWriteFailure = [&](const std::string& m) { failures.push_back(m); };
    // A program folder that is a file: nothing below it can be written.
    const std::string file = dir.path + "/kein-ordner";
    ASSERT_TRUE(writeTextLines(file, {"x"}));
    ctx.programFolder = file;
    handleFmsReception(ctx, telegram("623B1234", 3, 0, 0), "left");
    EXPECT_EQ(ctx.vehicles.vehicleTable[1].status, 3);
    EXPECT_EQ(window.receptionLines.size(), 1u);
    ASSERT_EQ(failures.size(), 1u) << "one report for the fault, not one per file";
    EXPECT_NE(failures[0].find("Statusdatei"), std::string::npos);
    // The same fault with the next reception is not reported again.
    clock.advance(10);
    handleFmsReception(ctx, telegram("623B1234", 4, 0, 0), "left");
    EXPECT_EQ(ctx.vehicles.vehicleTable[1].status, 4);
    EXPECT_EQ(failures.size(), 1u);
    EXPECT_TRUE(ctx.writeFaults.faulty());
}

}  // namespace
}  // namespace kub
