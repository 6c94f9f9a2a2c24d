// Start-up from a prepared program folder, the folder lock, tabs and sections.
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <gtest/gtest.h>

#include "core/monitor_channel.h"
#include "storage/settings.h"
#include "ui/alert_lists.h"
#include "ui/capture_stopped_line.h"
#include "ui/main_window.h"
#include "ui/reception_tables.h"
#include "ui/settings_capture_start.h"
#include "ui/settings_tab.h"
#include "ui/startup.h"
#include "common/program_folder.h"
#include "ui/status_board.h"
#include "ui/tile_widget.h"
#include "ui_test_support.h"
#include "window_fixture.h"

namespace kub::test {
namespace {

class StartUp : public WindowTest {};
class Tabs : public WindowTest {};

using ui::MainWindow;

// A folder as an operator's installation leaves it: vehicles with umlauts, headings,
// status files, station names, receivers and today's logs, layout 5 x 10.
void prepareInstallation(const ProgramFolder& f) {
    f.write("Fzg.txt", {"Löschzug Süd\t\t", "HLF Süd 1\tHilfeleistung\t623B1111",
                        "RTW Ü-Ort\tRettungswagen\t623B1112", "ELW\tEinsatzleitung\t623B1113",
                        "KdoW\tKommando\t623B1114", "\t\t"});
    f.write("Status/1.txt", {"1\t0\t07.12. 09:10"});
    f.write("Status/2.txt", {"6\t0\t07.12. 09:11"});
    f.write("Status/3.txt", {"10\t2\t07.12. 09:12"});
    f.write("Status/4.txt", {"13\t0\t07.12. 09:13"});
    std::vector<std::string> stations(30);
    stations[0] = "Hauptwache";
    stations[1] = "Süd";
    stations[29] = "Übung";
    f.write("Wachen.txt", stations);
    f.write("ZVEI.txt", {"12345\tFeuerwehr Musterstadt\t255"});
    f.write("Logbuch/FMS-2026-12-7.txt",
            {"HLF Süd 1\tHilfeleistung\t623B1111\t3\t0\tFzg->Lst\t07.12.2026 09:00:00\t",
             "ELW\tEinsatzleitung\t623B1113\t4\t0\tFzg->Lst\t07.12.2026 09:05:00\t"});
    f.write("Logbuch/zvei-2026-12-7.txt", {"12345\tFeuerwehr Musterstadt\t07.12.2026 09:30:00"});
    Settings s = defaultSettings();
    s.layout = BoardLayout::Columns5Rows10;
    s.fmsLeft = 1;
    s.zveiLeft = 1;
    s.deviceIndex = -1;
    ASSERT_TRUE(saveSettings(f.path(), s));
}

TEST_F(StartUp, PreparedFolderShowsNamesColoursFontsAndRows) {
    prepareInstallation(folder);
    MainWindow& w = open();

    EXPECT_EQ(w.windowTitle(), "KUB-Monitor");
    EXPECT_TRUE(folder.exists("Status"));
    EXPECT_TRUE(folder.exists("Logbuch"));

    // Station buttons take the names, umlauts intact; station 0 is down, alone.
    ui::StatusBoard* board = w.board();
    EXPECT_EQ(board->stationButton(0)->text(), "Hauptwache");
    EXPECT_EQ(board->stationButton(1)->text(), QString::fromUtf8("Süd"));
    EXPECT_EQ(board->stationButton(29)->text(), QString::fromUtf8("Übung"));
    int down = 0;
    for (int i = 0; i < 30; ++i) down += board->stationButton(i)->isChecked() ? 1 : 0;
    EXPECT_EQ(down, 1);
    EXPECT_TRUE(board->stationButton(0)->isChecked());

    // Layout 5 x 10: 1500 slots, 50 tiles, vehicle tiles 12 pt bold, headings 8 pt.
    EXPECT_EQ(w.core().context.vehicles.vehicleCount, 1500);
    EXPECT_EQ(w.settingsTab()->slotTotal()->text(), "1500");
    EXPECT_TRUE(w.settingsTab()->layoutOption(1)->isChecked());
    const ui::TileLook& heading = board->tile(0)->look();
    EXPECT_EQ(heading.kind, ui::SlotKind::Heading);
    EXPECT_EQ(heading.caption, QString::fromUtf8("Löschzug Süd"));
    EXPECT_EQ(heading.font.pointSize, 8);
    EXPECT_FALSE(heading.font.bold);
    const ui::TileLook& status1 = board->tile(1)->look();
    EXPECT_EQ(status1.caption, QString::fromUtf8("HLF Süd 1"));
    EXPECT_EQ(status1.font.pointSize, 12);
    EXPECT_TRUE(status1.font.bold);
    EXPECT_EQ(status1.fill, QColor(192, 255, 192));  // light green
    // Status 6 defaults to the button face: the palette's grey, not black.
    const ui::TileLook& status6 = board->tile(2)->look();
    EXPECT_EQ(status6.fill, w.palette().color(QPalette::Button));
    EXPECT_NE(status6.fill, QColor(Qt::black));
    EXPECT_EQ(board->tile(3)->look().fill, QColor(Qt::black));  // status 10
    EXPECT_EQ(board->tile(3)->look().text, QColor(Qt::white));
    // Status 13 has no colour of its own; the tile is still drawn, and the next one too.
    EXPECT_TRUE(board->tile(4)->look().statusWithoutColour);
    EXPECT_EQ(board->tile(4)->look().caption, "KdoW");
    EXPECT_EQ(board->tile(5)->look().kind, ui::SlotKind::Empty);
    EXPECT_EQ(board->tile(5)->look().fill, QColor(0xC0, 0xC0, 0xC0));

    // Today's logs, newest first; ZVEI shown because it is on, POCSAG hidden.
    ui::ReceptionTables* t = w.tables();
    ASSERT_EQ(w.tableRowCount(ReceptionTable::Fms), 3);
    EXPECT_EQ(t->table(ReceptionTable::Fms)->item(0, 0)->text(), "ELW");
    EXPECT_EQ(t->table(ReceptionTable::Fms)->item(1, 0)->text(), QString::fromUtf8("HLF Süd 1"));
    EXPECT_EQ(t->table(ReceptionTable::Zvei)->item(0, 1)->text(), "Feuerwehr Musterstadt");
    EXPECT_FALSE(t->table(ReceptionTable::Zvei)->isHidden());
    EXPECT_TRUE(t->table(ReceptionTable::Pocsag)->isHidden());

    // Switches in the controls and in force in the dispatch.
    EXPECT_TRUE(w.settingsTab()->decoderSwitch(5)->isChecked());   // FMS left
    EXPECT_TRUE(w.settingsTab()->decoderSwitch(3)->isChecked());   // ZVEI left
    EXPECT_FALSE(w.settingsTab()->decoderSwitch(2)->isChecked());  // FMS right
    EXPECT_TRUE(w.core().left().decoders().switches().fms);
    EXPECT_FALSE(w.core().right().decoders().switches().fms);
    EXPECT_EQ(w.core().context.receivers.receiverCount(), 1);
    EXPECT_TRUE(w.housekeepingTimer()->isActive());
    EXPECT_EQ(w.housekeepingTimer()->interval(), 60000);
    EXPECT_FALSE(w.settingsTab()->unsaved());
}

// A new program folder decodes from the start: every decoder on, capture at start on.
TEST_F(StartUp, WithoutSettingsTheBoardIsTenByTwentyAndEveryDecoderListens) {
    MainWindow& w = open();
    w.resize(1400, 900);

    EXPECT_EQ(w.core().context.vehicles.columns, 10);
    EXPECT_EQ(w.core().context.vehicles.rows, 20);
    EXPECT_EQ(w.settingsTab()->slotTotal()->text(), "6000");
    EXPECT_TRUE(w.settingsTab()->layoutOption(4)->isChecked());
    for (int i = 0; i < 6; ++i) EXPECT_TRUE(w.settingsTab()->decoderSwitch(i)->isChecked());
    EXPECT_TRUE(w.settingsTab()->captureAtStart()->box()->isChecked());
    EXPECT_FALSE(w.tables()->table(ReceptionTable::Zvei)->isHidden());
    EXPECT_FALSE(w.tables()->table(ReceptionTable::Pocsag)->isHidden());
    EXPECT_EQ(w.tableRowCount(ReceptionTable::Fms), 1);
    // Slots without a status file stand at status 6 (button face), nothing written.
    EXPECT_FALSE(folder.exists("Mon.ini"));
    // No sound server in this test: the box stays empty, the red line beside the tabs says
    // so, and nothing waits for a click (capture at start does not try either).
    if (w.settingsTab()->deviceBox()->count() == 0) {
        EXPECT_TRUE(dialogs.messages.empty());
        EXPECT_TRUE(w.captureStoppedLine()->text()->text().startsWith("Keine Soundkarte (Input-Device)!"));
    }
    EXPECT_TRUE(w.settingsTab()->startButton()->isEnabled());
    EXPECT_FALSE(w.settingsTab()->stopButton()->isEnabled());
}

TEST_F(StartUp, ASecondMonitorOnTheSameFolderIsRefusedAnotherFolderIsNot) {
    ProgramFolder other;
    FolderLock first;
    auto w1 = ui::startMonitor(folder.path(), first, clock);
    ASSERT_TRUE(w1);
    EXPECT_TRUE(first.held());

    FolderLock second;
    auto w2 = ui::startMonitor(folder.path(), second, clock);
    EXPECT_FALSE(w2);
    EXPECT_FALSE(second.held());
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_EQ(dialogs.messages.back().text, QString::fromUtf8("Server läuft schon !"));

    FolderLock third;
    auto w3 = ui::startMonitor(other.path(), third, clock);
    EXPECT_TRUE(w3);

    // Once the first has gone, the folder is free again.
    w1.reset();
    first.release();
    FolderLock fourth;
    EXPECT_EQ(fourth.acquire(folder.path()), FolderLock::Result::Acquired);
}

TEST_F(Tabs, BoardShowsOnlyOnItsTabAndSettingsOpenOnSoundCard) {
    MainWindow& w = open();
    w.show();
    QTabWidget* tabs = w.tabs();
    ASSERT_EQ(tabs->count(), 4);
    EXPECT_EQ(tabs->tabText(0), "Listenansicht");
    EXPECT_EQ(tabs->tabText(1), "Fahrzeugansicht");
    EXPECT_EQ(tabs->tabText(2), "Einstellungen");
    EXPECT_EQ(tabs->tabText(3), QString::fromUtf8("Einsätze"));

    tabs->setCurrentIndex(1);
    EXPECT_TRUE(w.board()->boardArea()->isVisible());
    EXPECT_TRUE(w.board()->stationBar()->isVisible());
    tabs->setCurrentIndex(0);
    EXPECT_FALSE(w.board()->boardArea()->isVisible());
    EXPECT_FALSE(w.board()->stationBar()->isVisible());
    tabs->setCurrentIndex(1);
    EXPECT_TRUE(w.board()->boardArea()->isVisible());

    ui::SettingsTab* st = w.settingsTab();
    ASSERT_EQ(st->sectionList()->count(), 14);
    EXPECT_EQ(st->sectionList()->item(1)->text(), QString::fromUtf8("Meldeempfänger (ZVEI/POCSAG)"));
    EXPECT_EQ(st->sectionList()->item(9)->text(), "eigene Anwendung per Win-Messages");
    EXPECT_EQ(st->sectionList()->item(10)->text(), "Web-Ansicht");
    EXPECT_EQ(st->sectionList()->item(11)->text(), "MQTT");
    tabs->setCurrentIndex(2);
    EXPECT_EQ(st->sectionTitle()->text(), "Soundkarte");
    EXPECT_TRUE(st->frame(0)->isVisible());
    st->sectionList()->setCurrentRow(4);
    EXPECT_EQ(st->sectionTitle()->text(), QString::fromUtf8("Status für alle setzen"));
    EXPECT_TRUE(st->frame(4)->isVisible());
    EXPECT_FALSE(st->frame(0)->isVisible());
    // Frames sit right of the list and below the title.
    EXPECT_GT(st->frame(4)->x(), st->sectionList()->geometry().right());
    EXPECT_GT(st->frame(4)->y(), st->sectionTitle()->geometry().bottom());
}

}  // namespace
}  // namespace kub::test

namespace kub::test {
namespace {

TEST(ShutDown, ClosingStopsTheTimerAndWritesNothing) {
    RecordingDialogs dialogs;
    ProgramFolder folder;
    folder.write("Fzg.txt", {"HLF 1\t\t623B1111"});
    ManualClock clock(testEpoch());
    auto w = std::make_unique<ui::MainWindow>(folder.path(), clock);
    w->show();
    // Opening the device list counts as an edit.
    w->tabs()->setCurrentIndex(2);
    w->settingsTab()->deviceBox()->showPopup();
    w->settingsTab()->deviceBox()->hidePopup();
    EXPECT_TRUE(w->settingsTab()->unsaved());
    w->setStatusForAll(4);  // in memory and the status file, as the operator did

    auto snapshot = [&] {
        std::vector<std::pair<std::string, std::string>> files;
        for (const auto& e : std::filesystem::recursive_directory_iterator(folder.path()))
            // The history is a database its own thread keeps, not a data file of the close.
            if (e.is_regular_file() && e.path().filename() != kLockFileName &&
                e.path().filename().string().rfind("Verlauf.sqlite", 0) != 0) {
                std::ifstream in(e.path(), std::ios::binary);
                files.emplace_back(e.path().string(), std::string(std::istreambuf_iterator<char>(in), {}));
            }
        std::sort(files.begin(), files.end());
        return files;
    };
    const auto before = snapshot();
    EXPECT_TRUE(w->close());
    EXPECT_FALSE(w->housekeepingTimer()->isActive());
    w.reset();
    EXPECT_EQ(snapshot(), before);
    EXPECT_FALSE(folder.exists("Mon.ini"));  // unsaved settings stay unsaved
}

}  // namespace
}  // namespace kub::test
