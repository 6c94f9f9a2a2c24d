// Board layout and drawing rules, tables, alert lists, settings save, status for all,
// capture messages, and receptions reaching the window through the decoders.
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QCoreApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>

#include "common/time_text.h"
#include "core/monitor_channel.h"
#include "siggen/fms_signal.h"
#include "siggen/zvei_signal.h"
#include "storage/day_log.h"
#include "storage/settings.h"
#include "ui/alert_lists.h"
#include "ui/board_model.h"
#include "ui/capture_stopped_line.h"
#include "ui/colours.h"
#include <QProgressBar>
#include "ui/main_window.h"
#include "ui/reception_tables.h"
#include "ui/settings_tab.h"
#include "ui/status_board.h"
#include "ui/tile_widget.h"
#include "ui_test_support.h"
#include "window_fixture.h"

namespace kub::test {
namespace {

class AlertLists : public WindowTest {};
class TileLayout : public WindowTest {};
class Capture : public WindowTest {};
class Layout : public WindowTest {};
class Meters : public WindowTest {};
class Receptions : public WindowTest {};
class SettingsPage : public WindowTest {};
class StatusForAll : public WindowTest {};
class Tables : public WindowTest {};

using ui::MainWindow;

// Check boxes and option buttons answer a click on their indicator, at their left.
void clickIndicator(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(6, w->height() / 2)); }

TEST_F(TileLayout, TilesRunDownTheColumns) {
    // 5 x 10 in a 10000 x 6200 twip area: tiles 1940 x 540.
    const ui::TileRect t0 = ui::tileRect(0, 5, 10, 10000, 6200, 60);
    EXPECT_EQ(t0.left, 0);
    EXPECT_EQ(t0.top, 60);
    EXPECT_EQ(t0.width, 1940);
    EXPECT_EQ(t0.height, 540);
    const ui::TileRect t10 = ui::tileRect(10, 5, 10, 10000, 6200, 60);
    EXPECT_EQ(t10.left, 1980);
    EXPECT_EQ(t10.top, 60);
    const ui::TileRect t49 = ui::tileRect(49, 5, 10, 10000, 6200, 60);
    EXPECT_EQ(t49.left, 4 * 1980);
    EXPECT_EQ(t49.top, 60 + 9 * 580);
    // With 20 rows tile 20 heads the second column.
    EXPECT_EQ(ui::tileRect(20, 10, 20, 10000, 6200, 60).top, 60);
    EXPECT_EQ(ui::tileRect(20, 10, 20, 10000, 6200, 60).left, ui::tileRect(0, 10, 20, 10000, 6200, 60).width + 40);

    EXPECT_EQ(ui::layoutOptionFor(BoardLayout::NotChosen), 4);
    EXPECT_EQ(ui::layoutOptionFor(BoardLayout::Columns10Rows10), 3);
    EXPECT_EQ(ui::boardFontFor(BoardLayout::Columns5Rows10), (ui::BoardFont{12, true}));
    EXPECT_EQ(ui::boardFontFor(BoardLayout::Columns10Rows10), (ui::BoardFont{10, true}));
    EXPECT_EQ(ui::boardFontFor(BoardLayout::Columns5Rows20), (ui::BoardFont{10, false}));

    VehicleRecord r;
    r.kennung = "623B111";  // 7 characters, no name: empty
    EXPECT_EQ(ui::slotKind(r), ui::SlotKind::Empty);
    r.rufname = "Zug 1";
    EXPECT_EQ(ui::slotKind(r), ui::SlotKind::Heading);
    r.kennung = "623B1111";
    r.rufname.clear();
    EXPECT_EQ(ui::slotKind(r), ui::SlotKind::Vehicle);
}

TEST_F(TileLayout, EachLayoutCodeShowsItsTilesInTheWindow) {
    for (int code : {1, 2, 3, 4}) {
        ProgramFolder fresh;
        Settings s = defaultSettings();
        s.layout = static_cast<kub::BoardLayout>(code);
        saveSettings(fresh.path(), s);
        MainWindow w(fresh.path(), clock);
        w.resize(1500, 1000);
        const auto& v = w.core().context.vehicles;
        const int perStation = v.columns * v.rows;
        int shown = 0;
        for (int k = 0; k < ui::kTilePool; ++k) shown += w.board()->tile(k)->isHidden() ? 0 : 1;
        EXPECT_EQ(shown, perStation) << "code " << code;
        // Down the columns: tile `rows` starts the second column at the top.
        ui::TileWidget* first = w.board()->tile(0);
        ui::TileWidget* secondColumn = w.board()->tile(v.rows);
        EXPECT_EQ(secondColumn->y(), first->y()) << "code " << code;
        EXPECT_GT(secondColumn->x(), first->x() + first->width() - 1) << "code " << code;
        EXPECT_GT(w.board()->tile(1)->y(), first->y()) << "code " << code;
        // All tiles inside the board area.
        ui::TileWidget* last = w.board()->tile(perStation - 1);
        EXPECT_LE(last->geometry().bottom(), w.board()->boardArea()->height()) << "code " << code;
        EXPECT_LE(last->geometry().right(), w.board()->boardArea()->width()) << "code " << code;
    }
}

TEST_F(Tables, ArrangementFollowsTheDecoderSwitches) {
    auto a = ui::arrangeTables(false, false);
    EXPECT_EQ(a.fmsHeight, 8775);
    EXPECT_FALSE(a.zveiShown || a.pocsagShown);
    a = ui::arrangeTables(true, true);
    EXPECT_EQ(a.fmsHeight, 3975);
    EXPECT_EQ(a.zveiTop, 480 + 3975 + 100);
    EXPECT_EQ(a.zveiHeight, 2415);
    EXPECT_EQ(a.pocsagTop, a.zveiTop + 2415 + 100);
    EXPECT_EQ(a.pocsagHeight, 2175);
    a = ui::arrangeTables(true, false);
    EXPECT_TRUE(a.zveiShown);
    EXPECT_FALSE(a.pocsagShown);
    EXPECT_EQ(a.zveiHeight, 4695);
    a = ui::arrangeTables(false, true);
    EXPECT_EQ(a.pocsagTop, 480 + 3975 + 100);
    EXPECT_EQ(a.pocsagHeight, 4695);
}

TEST_F(Tables, HeadersRowsColoursAndCut) {
    MainWindow& w = open();
    QTableWidget* fms = w.tables()->table(ReceptionTable::Fms);
    ASSERT_EQ(fms->columnCount(), 8);
    EXPECT_EQ(fms->horizontalHeaderItem(0)->text(), "Rufname");
    EXPECT_EQ(fms->horizontalHeaderItem(7)->text(), "Text");
    EXPECT_EQ(fms->columnWidth(1), 200);  // 3000 twips
    QTableWidget* poc = w.tables()->table(ReceptionTable::Pocsag);
    EXPECT_EQ(poc->horizontalHeaderItem(1)->text(), "Funktion");
    EXPECT_EQ(w.tables()->table(ReceptionTable::Zvei)->horizontalHeaderItem(2)->text(), "Zeit");

    w.insertTableRow(ReceptionTable::Fms, "A\tB\t623B1111\t3\t0\tFzg->Lst\tzeit1\t");
    w.insertTableRow(ReceptionTable::Fms, "C\tD\t623B1112\t4\t0\tFzg->Lst\tzeit2\tText");
    EXPECT_EQ(w.tableRowCount(ReceptionTable::Fms), 3);
    EXPECT_EQ(fms->item(0, 0)->text(), "C");
    EXPECT_EQ(fms->item(0, 7)->text(), "Text");
    EXPECT_EQ(fms->item(1, 0)->text(), "A");
    EXPECT_EQ(fms->item(0, 0)->textAlignment(), int(Qt::AlignHCenter | Qt::AlignTop));
    EXPECT_EQ(fms->item(0, 2)->textAlignment(), int(Qt::AlignLeft | Qt::AlignBottom));

    w.insertTableRow(ReceptionTable::Zvei, "12345\tFeuerwehr\tzeit");
    w.setTableCellColour(ReceptionTable::Zvei, 1, 1, 255);
    EXPECT_EQ(w.tables()->table(ReceptionTable::Zvei)->item(0, 1)->background().color(), QColor(255, 0, 0));
    w.setTableCellColour(ReceptionTable::Zvei, 5, 1, 255);  // no such row: ignored

    w.setTableRowCount(ReceptionTable::Fms, 1);
    EXPECT_EQ(w.tableRowCount(ReceptionTable::Fms), 1);
    EXPECT_EQ(fms->rowCount(), 0);
}

// An SDR channel's receptions name their channel in a "Kanal" column before the last one;
// a sound-card reception leaves every table as it was, before and after.
TEST_F(Tables, SdrReceptionsNameTheirChannelInAColumnOfItsOwn) {
    MainWindow& w = open();
    w.core().context.channelFrequencies["FW-Nord"] = 172340000;
    const struct {
        ReceptionTable table;
        RecordProtocol protocol;
        const char* row;
    } cases[] = {
        {ReceptionTable::Fms, RecordProtocol::Fms, "A\tB\t623B1111\t3\t0\tFzg->Lst\tzeit\tText"},
        {ReceptionTable::Zvei, RecordProtocol::Zvei, "12345\tFeuerwehr\tzeit"},
        {ReceptionTable::Pocsag, RecordProtocol::Pocsag, "1234567\t3\tWehr\tzeit\tB3 Brand"},
    };
    for (const auto& c : cases) {
        QTableWidget* t = w.tables()->table(c.table);
        const int columns = t->columnCount();
        auto hear = [&](const char* channel) {
            ReceptionRecord r = w.core().context.newRecord(c.protocol, channel);
            r.row = c.row;
            w.core().context.handOn(r);
        };
        hear("left");
        EXPECT_EQ(t->columnCount(), columns);
        hear("FW-Nord");
        hear("right");
        ASSERT_EQ(t->columnCount(), columns + 1);
        EXPECT_EQ(t->horizontalHeaderItem(columns)->text(), "Kanal");
        EXPECT_EQ(t->horizontalHeader()->visualIndex(columns), columns - 1);
        EXPECT_EQ(t->item(1, columns)->text(), "FW-Nord 172.34 MHz");
        EXPECT_EQ(t->item(0, columns), nullptr);
        EXPECT_EQ(w.tables()->rowText(c.table, 2), std::string(c.row) + "\tKanal FW-Nord 172.34 MHz");
        EXPECT_EQ(w.tables()->rowText(c.table, 1), c.row);
        EXPECT_EQ(w.tables()->rowText(c.table, 3), c.row);
    }
}

TEST_F(AlertLists, GreenWithEntriesAcknowledgedByMousePressGreyWhenEmpty) {
    MainWindow& w = open();
    w.resize(1400, 900);
    w.show();
    ui::AlertListWidget* l2 = w.alertLists()->list(AlertList::List2);
    EXPECT_EQ(l2->objectName(), "List2");
    EXPECT_EQ(l2->backgroundValue(), ui::kLightGreyValue);

    w.appendAlertLine(AlertList::List2, "10:30:00 623B1111        \t07.12.2026 10:30:00");
    w.appendAlertLine(AlertList::List2, "10:31:00 623B1112        \t07.12.2026 10:31:00");
    w.selectAlertLine(AlertList::List2, 1);
    w.setAlertListColour(AlertList::List2, 65280);
    EXPECT_EQ(l2->palette().color(QPalette::Base), QColor(0, 255, 0));

    // The newest is brought into view, not selected: a press selects, the next one acknowledges.
    EXPECT_EQ(l2->selectedItems().size(), 0);
    const QRect r1 = l2->visualItemRect(l2->item(1));
    QTest::mouseClick(l2->viewport(), Qt::LeftButton, {}, r1.center());
    QTest::mouseClick(l2->viewport(), Qt::LeftButton, {}, r1.center());
    ASSERT_EQ(w.alertLineCount(AlertList::List2), 1);
    EXPECT_TRUE(l2->item(0)->text().contains("623B1111"));
    EXPECT_EQ(l2->backgroundValue(), 65280);
    const QRect r0 = l2->visualItemRect(l2->item(0));
    QTest::mouseClick(l2->viewport(), Qt::LeftButton, {}, r0.center());
    QTest::mouseClick(l2->viewport(), Qt::LeftButton, {}, r0.center());
    EXPECT_EQ(w.alertLineCount(AlertList::List2), 0);
    EXPECT_EQ(l2->backgroundValue(), ui::kLightGreyValue);

    // Nothing selected: a press removes nothing.
    ui::AlertListWidget* l1 = w.alertLists()->list(AlertList::List1);
    w.appendAlertLine(AlertList::List1, "10:30:00 Tonruf I        \t07.12.2026 10:30:00");
    l1->clearSelection();
    l1->setCurrentRow(-1);
    QTest::mousePress(l1->viewport(), Qt::LeftButton, {}, QPoint(5, l1->viewport()->height() - 3));
    EXPECT_EQ(w.alertLineCount(AlertList::List1), 1);
}

TEST_F(AlertLists, HousekeepingAgesEntriesInTheWindowsLists) {
    MainWindow& w = open();  // 10:30:00
    w.appendAlertLine(AlertList::List2, "a\t07.12.2026 10:20:00");
    w.appendAlertLine(AlertList::List2, "b\t07.12.2026 10:21:00");
    w.appendAlertLine(AlertList::List2, "c\t07.12.2026 10:29:00");
    w.setAlertListColour(AlertList::List2, 65280);
    w.housekeepingPass();
    // "a" and "b" are older than four minutes, "c" is not.
    ASSERT_EQ(w.alertLineCount(AlertList::List2), 1);
    EXPECT_EQ(w.alertLine(AlertList::List2, 0), "c\t07.12.2026 10:29:00");
    EXPECT_EQ(w.alertLists()->list(AlertList::List2)->backgroundValue(), ui::kGreen);
    clock.advance(600);
    w.housekeepingPass();
    EXPECT_EQ(w.alertLineCount(AlertList::List2), 0);
    EXPECT_EQ(w.alertLists()->list(AlertList::List2)->backgroundValue(), ui::kLightGreyValue);
    // An emergency call stays until someone acknowledges it.
    w.appendAlertLine(AlertList::List3, "Notruf\t07.12.2026 10:20:00");
    w.housekeepingPass();
    EXPECT_EQ(w.alertLineCount(AlertList::List3), 1);
}

TEST_F(AlertLists, HousekeepingWritesTheStatusPageOnlyWhenOnAndChanged) {
    Settings s = defaultSettings();
    s.htmlExport = 1;
    saveSettings(folder.path(), s);
    folder.write("Fzg.txt", {"HLF Süd 1\t\t623B1111"});
    MainWindow& w = open();
    w.housekeepingPass();
    EXPECT_FALSE(folder.exists("status.html"));
    w.core().context.markPageChanged();
    w.housekeepingPass();
    ASSERT_TRUE(folder.exists("status.html"));
    EXPECT_FALSE(w.core().context.pageChange.pageChangedPending());
    bool named = false;
    for (const auto& line : folder.read("status.html")) named = named || line.find("HLF Süd 1") != std::string::npos;
    EXPECT_TRUE(named);
}

TEST_F(SettingsPage, EditsMarkUnsavedAndSaveTakesTheControlsOver) {
    folder.write("Fzg.txt", {"HLF 1\t\t623B1111"});
    // Every decoder off, as an older installation's file may have them.
    ASSERT_TRUE(saveSettings(folder.path(), defaultSettings()));
    MainWindow& w = open();
    w.show();
    ui::SettingsTab* st = w.settingsTab();
    w.tabs()->setCurrentIndex(2);
    const QColor normal = st->saveButton()->palette().color(QPalette::Button);
    clickIndicator(st->decoderSwitch(5));  // FMS left
    EXPECT_TRUE(st->unsaved());
    EXPECT_EQ(st->saveButton()->palette().color(QPalette::Button), QColor(255, 0, 0));
    clickIndicator(st->decoderSwitch(1));  // POCSAG right
    EXPECT_FALSE(w.core().left().decoders().switches().fms);  // not before saving

    QTest::mouseClick(st->saveButton(), Qt::LeftButton);
    EXPECT_FALSE(st->unsaved());
    EXPECT_EQ(st->saveButton()->palette().color(QPalette::Button), normal);
    EXPECT_TRUE(w.core().left().decoders().switches().fms);
    EXPECT_TRUE(w.core().right().decoders().switches().pocsag);
    EXPECT_FALSE(w.tables()->table(ReceptionTable::Pocsag)->isHidden());
    const Settings back = loadSettings(folder.path());
    EXPECT_EQ(back.fmsLeft, 1);
    EXPECT_EQ(back.pocsagRight, 1);
    EXPECT_EQ(back.zveiLeft, 0);

    // Saving the same layout again keeps the vehicle table as it is in memory.
    w.core().context.vehicles.vehicleTable[0].rufname = "nur im Speicher";
    QTest::mouseClick(st->saveButton(), Qt::LeftButton);
    EXPECT_EQ(w.core().context.vehicles.vehicleTable[0].rufname, "nur im Speicher");

    // 10 x 20 to 5 x 10: 1500 slots, read again from the file.
    w.tabs()->setCurrentIndex(2);
    st->sectionList()->setCurrentRow(5);
    clickIndicator(st->layoutOption(1));
    EXPECT_TRUE(st->unsaved());
    QTest::mouseClick(st->saveButton(), Qt::LeftButton);
    EXPECT_EQ(w.core().context.vehicles.vehicleCount, 1500);
    EXPECT_EQ(st->slotTotal()->text(), "1500");
    EXPECT_EQ(w.core().context.vehicles.vehicleTable[0].rufname, "HLF 1");
    EXPECT_EQ(loadSettings(folder.path()).layout, BoardLayout::Columns5Rows10);
    EXPECT_EQ(w.board()->tile(0)->look().font, (ui::BoardFont{12, true}));
    EXPECT_TRUE(w.board()->tile(50)->isHidden());
}

TEST_F(SettingsPage, AFileThatCannotBeWrittenLeavesTheMarkerRedAndSaysSo) {
    MainWindow& w = open();
    // A directory where the file belongs: it cannot be written, whoever runs the test.
    std::filesystem::create_directories(std::filesystem::path(folder.path()) / "Mon.ini" / "x");
    w.settingsTab()->markUnsaved();
    w.saveSettingsFromControls();
    EXPECT_TRUE(w.settingsTab()->unsaved());
    EXPECT_TRUE(dialogs.saw(QString::fromUtf8("Die Einstellungen konnten nicht gespeichert werden (Mon.ini) !")));
}

TEST_F(StatusForAll, EverySlotGetsTheStatusNamedSlotsAFile) {
    folder.write("Fzg.txt", {"HLF 1\t\t623B1111", "\t\t", "Zug 2\t\t"});
    MainWindow& w = open();
    w.tabs()->setCurrentIndex(2);
    w.settingsTab()->sectionList()->setCurrentRow(4);
    QTest::mouseClick(w.settingsTab()->statusButton(2), Qt::LeftButton);  // "3"
    const auto& table = w.core().context.vehicles.vehicleTable;
    for (std::size_t i : {0u, 1u, 2u, 5999u}) EXPECT_EQ(table[i].status, 3) << i;
    EXPECT_EQ(folder.read("Status/0.txt").at(0), "3\t0\t" + statusTimeText(clock.now()));
    EXPECT_TRUE(folder.exists("Status/2.txt"));   // a heading has a name
    EXPECT_FALSE(folder.exists("Status/1.txt"));  // empty slot: no file
    EXPECT_EQ(table[0].statusTime, "");           // the in-memory time stays
    EXPECT_TRUE(w.core().context.pageChange.pageChangedPending());
    EXPECT_EQ(w.board()->tile(0)->look().fill, QColor(255, 192, 192));  // status 3 light red
}

TEST_F(Capture, StartWithoutDeviceOrWithAMissingOneSaysSoAndShowsStopped) {
    Settings s = defaultSettings();
    s.deviceIndex = -1;
    saveSettings(folder.path(), s);
    {
        MainWindow w(folder.path(), clock);
        QPushButton* start = w.settingsTab()->startButton();
        EXPECT_EQ(start->palette().color(QPalette::Button), QColor(0, 255, 0));
        start->click();
        EXPECT_TRUE(dialogs.saw("Es wurde noch keine Soundkarte selektiert"));
        EXPECT_EQ(dialogs.messages.back().title, "");
        EXPECT_EQ(dialogs.messages.back().icon, ui::DialogIcon::None);
        EXPECT_TRUE(start->isEnabled());
        EXPECT_FALSE(w.settingsTab()->stopButton()->isEnabled());
        w.settingsTab()->stopButton()->click();  // harmless
    }
    s.deviceIndex = 99;
    saveSettings(folder.path(), s);
    MainWindow& w = open();
    w.settingsTab()->startButton()->click();
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_EQ(dialogs.messages.back().text,
              QString::fromUtf8("Soundkarte kann nicht geöffnet werden ! (von anderem Programm in Benutzung ?)"));
    EXPECT_EQ(dialogs.messages.back().title, "Achtung:");
    EXPECT_EQ(dialogs.messages.back().icon, ui::DialogIcon::Warning);
    EXPECT_TRUE(w.settingsTab()->startButton()->isEnabled());
    EXPECT_EQ(w.settingsTab()->startButton()->palette().color(QPalette::Button), QColor(0, 255, 0));
}

TEST_F(Capture, WhileStoppedEveryTabShowsTheRedLineAndItsButtonStartsCapture) {
    Settings s = defaultSettings();
    s.deviceIndex = -1;
    saveSettings(folder.path(), s);
    MainWindow& w = open();
    w.show();
    ui::CaptureStoppedLine* line = w.captureStoppedLine();
    for (int tab = 0; tab < 3; ++tab) {
        w.tabs()->setCurrentIndex(tab);
        EXPECT_TRUE(line->isVisible()) << tab;
    }
    EXPECT_EQ(line->palette().color(QPalette::Window), QColor(255, 0, 0));
    // Without any sound card (no sound server here) it says that instead.
    EXPECT_TRUE(line->text()->text() == QString::fromUtf8("Aufnahme gestoppt – es wird nichts dekodiert") ||
                (w.settingsTab()->deviceBox()->count() == 0 &&
                 line->text()->text().startsWith("Keine Soundkarte (Input-Device)!")));
    // Its button is "Start": without a sound card it says so, and the line stays.
    QTest::mouseClick(line->startButton(), Qt::LeftButton);
    EXPECT_TRUE(dialogs.saw("Es wurde noch keine Soundkarte selektiert"));
    EXPECT_TRUE(line->isVisible());
    // Whenever "Start" cannot be pressed (capture running, a recording playing) it goes.
    w.settingsTab()->startButton()->setEnabled(false);
    EXPECT_FALSE(line->isVisible());
    w.settingsTab()->startButton()->setEnabled(true);
    EXPECT_TRUE(line->isVisible());
}

TEST_F(Receptions, DecodedTrafficReachesBoardTablesAlertListsAndLogs) {
    folder.write("Fzg.txt", {"HLF Süd 1\tHilfeleistung\t623B1234"});
    folder.write("ZVEI.txt", {"12345\tFeuerwehr Musterstadt\t16761024"});
    Settings s = defaultSettings();
    s.fmsLeft = 1;
    s.zveiLeft = 1;
    saveSettings(folder.path(), s);
    MainWindow& w = open();

    std::vector<float> signal(22050 / 2, 0.0f);
    const auto t3 = siggen::fmsTelegramSignal({"623B1234", 3, 0, 1, 0}, 0.5);
    signal.insert(signal.end(), t3.begin(), t3.end());
    signal.insert(signal.end(), 22050, 0.0f);
    const auto t5 = siggen::fmsTelegramSignal({"623B1234", 5, 0, 1, 0}, 0.5);
    signal.insert(signal.end(), t5.begin(), t5.end());
    signal.insert(signal.end(), 22050, 0.0f);
    const auto z = siggen::zveiSequence("12345", 0.5);
    signal.insert(signal.end(), z.begin(), z.end());
    signal.insert(signal.end(), 22050, 0.0f);
    feedBothChannels(w.core(), signal);

    // Board: status 3 colours the tile light red, the status file follows.
    EXPECT_EQ(w.core().context.vehicles.vehicleTable[0].status, 3);
    EXPECT_EQ(w.board()->tile(0)->look().fill, QColor(255, 192, 192));
    EXPECT_EQ(folder.read("Status/0.txt").at(0).substr(0, 4), "3\t1\t");
    // Tables, newest first.
    QTableWidget* fms = w.tables()->table(ReceptionTable::Fms);
    ASSERT_EQ(w.tableRowCount(ReceptionTable::Fms), 3);
    EXPECT_EQ(fms->item(0, 3)->text(), "5");
    EXPECT_EQ(fms->item(1, 0)->text(), QString::fromUtf8("HLF Süd 1"));
    EXPECT_EQ(fms->item(1, 3)->text(), "3");
    QTableWidget* zt = w.tables()->table(ReceptionTable::Zvei);
    ASSERT_EQ(zt->rowCount(), 1);
    EXPECT_EQ(zt->item(0, 0)->text(), "12345");
    EXPECT_EQ(zt->item(0, 1)->background().color(), QColor(192, 192, 255));
    // Status 5 lands in List2, which turns green.
    ASSERT_EQ(w.alertLineCount(AlertList::List2), 1);
    EXPECT_TRUE(w.alertLists()->list(AlertList::List2)->item(0)->text().contains("623B1234"));
    EXPECT_EQ(w.alertLists()->list(AlertList::List2)->backgroundValue(), ui::kGreen);
    // Day logs hold the same rows.
    const auto fmsLog = folder.read("Logbuch/FMS-2026-12-7.txt");
    ASSERT_EQ(fmsLog.size(), 2u);
    EXPECT_EQ(fmsLog[0], w.tables()->rowText(ReceptionTable::Fms, 2));
    EXPECT_EQ(folder.read("Logbuch/zvei-2026-12-7.txt").size(), 1u);
    // Meters moved with the signal and fell back with the silence at the end.
    EXPECT_EQ(w.meanMeter(0)->value(), 0);
    EXPECT_EQ(w.peakMeter(1)->value(), 0);
    EXPECT_EQ(w.meanMeter(0)->maximum(), 600);
}

}  // namespace
}  // namespace kub::test

namespace kub::test {
namespace {

TEST_F(Receptions, ALogThatCannotBeWrittenIsShownAndTheReceptionStillListed) {
    folder.write("Fzg.txt", {"HLF 1\t\t623B1234"});
    folder.write("Logbuch", {"eine Datei, kein Ordner"});
    Settings s = defaultSettings();
    s.fmsLeft = 1;
    saveSettings(folder.path(), s);
    MainWindow& w = open();
    EXPECT_TRUE(w.writeFailure().isEmpty());
    std::vector<float> signal(22050 / 2, 0.0f);
    const auto t = siggen::fmsTelegramSignal({"623B1234", 2, 0, 1, 0}, 0.5);
    signal.insert(signal.end(), t.begin(), t.end());
    signal.insert(signal.end(), 22050, 0.0f);
    feedBothChannels(w.core(), signal);
    EXPECT_EQ(w.tableRowCount(ReceptionTable::Fms), 2);
    EXPECT_TRUE(w.writeFailure().startsWith("FMS-Logbuch nicht geschrieben")) << w.writeFailure().toStdString();
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(Receptions, TheWriteFailureLineClearsWhenTheLogCanBeWrittenAgain) {
    folder.write("Logbuch", {"eine Datei, kein Ordner"});
    Settings s = defaultSettings();
    s.fmsLeft = 1;
    saveSettings(folder.path(), s);
    MainWindow& w = open();
    auto telegram = [](int status) {
        std::vector<float> signal(22050 / 2, 0.0f);
        const auto t = siggen::fmsTelegramSignal({"623B1234", status, 0, 1, 0}, 0.5);
        signal.insert(signal.end(), t.begin(), t.end());
        signal.insert(signal.end(), 22050, 0.0f);
        return signal;
    };
    feedBothChannels(w.core(), telegram(2));
    ASSERT_FALSE(w.writeFailure().isEmpty());
    // The user mends the folder; the next reception is logged and the line goes.
    std::filesystem::remove(folder.path() + "/Logbuch");
    std::filesystem::create_directory(folder.path() + "/Logbuch");
    clock.advance(60);
    feedBothChannels(w.core(), telegram(3));
    EXPECT_EQ(w.tableRowCount(ReceptionTable::Fms), 3);
    EXPECT_TRUE(w.writeFailure().isEmpty()) << w.writeFailure().toStdString();
}

TEST_F(Layout, TablesAndStationButtonsFollowTheWindowWidth) {
    MainWindow& w = open();
    w.show();
    w.tabs()->setCurrentIndex(1);
    for (int width : {1000, 1500}) {
        w.resize(width, 900);
        QCoreApplication::processEvents();
        // Inner width - 1000 twips (67 px) for FMS and ZVEI; POCSAG keeps 14385 twips.
        EXPECT_NEAR(w.tables()->table(ReceptionTable::Fms)->width(), width - 67, 1);
        EXPECT_NEAR(w.tables()->table(ReceptionTable::Zvei)->width(), width - 67, 1);
        EXPECT_NEAR(w.tables()->table(ReceptionTable::Pocsag)->width(), 959, 1);
        // Station bar: inner width - 650 twips; ten buttons a row, three rows.
        const int bar = w.board()->stationBar()->width();
        EXPECT_NEAR(bar, width - 43, 1);
        QPushButton* b0 = w.board()->stationButton(0);
        QPushButton* b11 = w.board()->stationButton(11);
        EXPECT_NEAR(b0->width(), bar / 10, 1);
        EXPECT_EQ(b11->y(), w.board()->stationButton(10)->y());
        EXPECT_GT(b11->x(), b0->x());
        EXPECT_GT(w.board()->stationButton(20)->y(), b11->y());
        EXPECT_LE(w.board()->stationButton(29)->geometry().right(), bar);
    }
}

TEST_F(TileLayout, OneTileRedrawsAloneAndStationsSwitchPages) {
    Settings s = defaultSettings();
    s.layout = BoardLayout::Columns10Rows10;  // 10 x 10: station 1 starts at slot 100
    saveSettings(folder.path(), s);
    std::vector<std::string> fzg(101, "\t\t");
    fzg[0] = "HLF 1\t\t623B0001";
    fzg[100] = "RTW Nord\t\t623B0100";
    folder.write("Fzg.txt", fzg);
    MainWindow& w = open();
    auto& table = w.core().context.vehicles.vehicleTable;
    table[0].rufname = "HLF 1 neu";
    table[1].rufname = "Zug";
    std::int16_t tile = 0;
    w.update_labelx(tile);
    EXPECT_EQ(w.board()->tile(0)->caption(), "HLF 1 neu");
    EXPECT_EQ(w.board()->tile(1)->look().kind, ui::SlotKind::Empty);  // not redrawn
    w.update_label();
    EXPECT_EQ(w.board()->tile(1)->look().kind, ui::SlotKind::Heading);

    QTest::mouseClick(w.board()->stationButton(1), Qt::LeftButton);
    EXPECT_EQ(w.board()->currentStation(), 1);
    EXPECT_TRUE(w.board()->stationButton(1)->isChecked());
    EXPECT_FALSE(w.board()->stationButton(0)->isChecked());
    EXPECT_EQ(w.board()->tile(0)->caption(), "RTW Nord");
    EXPECT_EQ(w.board()->tile(0)->look().font, (ui::BoardFont{10, true}));
}

}  // namespace
}  // namespace kub::test

namespace kub::test {
namespace {

TEST_F(Meters, LeftAndRightMeanAndPeakFromTheDispatch) {
    MainWindow& w = open();
    // Left at full negative scale, right at a steady 1000.
    CaptureBlock& block = w.core().dispatcher.captureBuffers[0];
    for (int k = 0; k < kBlockFrames; ++k) {
        block[static_cast<std::size_t>(2 * k)] = -32768;
        block[static_cast<std::size_t>(2 * k + 1)] = 1000;
    }
    w.core().dispatcher.processCaptureBuffer();
    // In decibels below full scale: full scale fills the bar, 1000 (-30.3 dB) about half.
    EXPECT_EQ(w.meanMeter(0)->value(), w.meanMeter(0)->maximum());
    EXPECT_EQ(w.peakMeter(0)->value(), w.peakMeter(0)->maximum());
    EXPECT_EQ(w.meanMeter(1)->value(), 297);
    EXPECT_EQ(w.peakMeter(1)->value(), 297);
    EXPECT_EQ(w.peakMeter(1)->maximum(), 600);
    // A block of silence empties both.
    for (int k = 0; k < 2 * kBlockFrames; ++k) w.core().dispatcher.captureBuffers[1][static_cast<std::size_t>(k)] = 0;
    w.core().dispatcher.processCaptureBuffer();
    EXPECT_EQ(w.meanMeter(1)->value(), 0);
    EXPECT_EQ(w.peakMeter(0)->value(), 0);
}

}  // namespace
}  // namespace kub::test
