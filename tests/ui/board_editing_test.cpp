// The operator's hand on the board: the vehicle dialog "Eigenschaften" on a right click,
// moving vehicles by drag and drop within a station and to another station, renaming
// stations. Every prompt is answered through the dialog service; the files are checked
// byte for byte.
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "storage/settings.h"
#include "ui/board_editor.h"
#include "ui/main_window.h"
#include "ui/status_board.h"
#include "ui/tile_widget.h"
#include "ui/vehicle_dialog.h"
#include "ui_test_support.h"
#include "window_fixture.h"

namespace kub::test {
namespace {

class BoardEditing : public WindowTest {};
class MoveVehicle : public WindowTest {};
class StationNames : public WindowTest {};
class VehicleDialog : public WindowTest {};

using ui::MainWindow;

constexpr int kSlots = 1500;  // layout 5 x 10: 50 tiles per station

// Layout 5 x 10; station 0 holds a heading, two vehicles and an empty slot 3; station 1
// is full except slots 50+7 and 50+9. `lines` replace slots.
std::vector<std::string> fzgWith(std::vector<std::pair<int, std::string>> lines, bool fullStationOne = false) {
    std::vector<std::string> fzg(kSlots, "\t\t");
    fzg[0] = "Wache Nord\t\t";
    fzg[1] = "HLF Nord\tHilfeleistung\t623B1111";
    fzg[2] = "RTW Nord\tRettungswagen\t623B1112";
    if (fullStationOne)
        for (int k = 0; k < 50; ++k)
            if (k != 7 && k != 9) fzg[static_cast<std::size_t>(50 + k)] = "Fzg " + std::to_string(k) + "\t\t";
    for (auto& [slot, line] : lines) fzg[static_cast<std::size_t>(slot)] = line;
    return fzg;
}

void prepare(const ProgramFolder& f, bool fullStationOne = false) {
    f.write("Fzg.txt", fzgWith({}, fullStationOne));
    f.write("Status/1.txt", {"3\t1\t07.12. 09:10"});
    f.write("Status/2.txt", {"2\t0\t07.12. 09:20"});
    f.write("Status/5.txt", {"4\t2\t06.12. 22:00"});  // a stale file of the empty slot 5
    Settings s = defaultSettings();
    s.layout = BoardLayout::Columns5Rows10;
    ASSERT_TRUE(saveSettings(f.path(), s));
}

// Drives the vehicle dialog opened by a right click on tile `tile`.
void rightClickTile(MainWindow& w, int tile) {
    QTest::mouseClick(w.board()->tile(tile), Qt::RightButton, {}, QPoint(5, 5));
}

void drop(QWidget* target, int fromTile) {
    // The events a real drag delivers: enter (accepted for a tile), then the drop.
    std::unique_ptr<QMimeData> data(ui::tileMimeData(fromTile));
    QDragEnterEvent enter(QPoint(3, 3), Qt::MoveAction, data.get(), Qt::LeftButton, {});
    QApplication::sendEvent(target, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent event(QPointF(3, 3), Qt::MoveAction, data.get(), Qt::LeftButton, {}, QEvent::Drop);
    QApplication::sendEvent(target, &event);
    EXPECT_TRUE(event.isAccepted());
    QCoreApplication::processEvents();  // the move runs once the drop has ended
}

TEST_F(VehicleDialog, EmptyTileBecomesAVehicleWithStatusSixAndTheTileIsRedrawn) {
    prepare(folder);
    MainWindow& w = open();
    dialogs.messages.clear();  // start-up's word about the missing sound card
    ASSERT_EQ(w.core().context.vehicles.lastNamedSlot, 2);

    bool opened = false;
    dialogs.onDialog = [&](QDialog& d) {
        auto* v = dynamic_cast<ui::VehicleDialog*>(&d);
        EXPECT_NE(v, nullptr);
        if (!v) return 0;
        opened = true;
        EXPECT_EQ(v->windowTitle(), "Eigenschaften");
        EXPECT_EQ(v->slot(), 3);
        EXPECT_TRUE(v->field(0)->text().isEmpty());
        EXPECT_EQ(v->note()->text(),
                  QString::fromUtf8("Wenn FMS-Kennung leer bleibt, dann wird der Rufname zu einer Überschrift"));
        // The status buttons wear the status colours.
        EXPECT_EQ(v->statusButton(0)->palette().color(QPalette::Button), QColor(192, 255, 192));
        EXPECT_EQ(v->statusButton(2)->palette().color(QPalette::Button), QColor(255, 192, 192));
        v->field(0)->setText(QString::fromUtf8("TLF Süd"));
        v->field(1)->setText(QString::fromUtf8("Tanklöschfahrzeug"));
        v->field(2)->setText("623B2222");
        QTest::mouseClick(v->saveButton(), Qt::LeftButton);
        return v->result();
    };
    rightClickTile(w, 3);
    ASSERT_TRUE(opened);

    EXPECT_TRUE(sameBytes(folder.bytes("Status/3.txt"), fileBytes({"6\t0\t07.12. 10:30"})));
    EXPECT_TRUE(sameBytes(folder.bytes("Fzg.txt"),
              fileBytes(fzgWith({{3, "TLF Süd\tTanklöschfahrzeug\t623B2222"}}))));
    const VehicleRecord& rec = w.core().context.vehicles.vehicleTable[3];
    EXPECT_EQ(rec.status, 6);
    EXPECT_EQ(rec.statusTime, "07.12. 10:30");
    EXPECT_EQ(w.core().context.vehicles.lastNamedSlot, 3);
    EXPECT_EQ(w.board()->tile(3)->caption(), QString::fromUtf8("TLF Süd"));
    EXPECT_EQ(w.board()->tile(3)->look().kind, ui::SlotKind::Vehicle);
    // The new vehicle is found by its telegrams: its slot is inside the searched range.
    for (const auto& m : dialogs.messages) ADD_FAILURE() << m.text.toStdString();
}

TEST_F(VehicleDialog, SaveKeepsStatusStatusButtonDropsEditsTkiStaysOpenBackStoresNothing) {
    prepare(folder);
    MainWindow& w = open();
    dialogs.messages.clear();  // start-up's word about the missing sound card
    const std::string fzgBefore = folder.bytes("Fzg.txt");

    // Editing an existing vehicle keeps its status and time; no status file is written.
    dialogs.onDialog = [&](QDialog& d) {
        auto* v = dynamic_cast<ui::VehicleDialog*>(&d);
        EXPECT_EQ(v->field(0)->text(), "HLF Nord");
        EXPECT_EQ(v->field(2)->text(), "623B1111");
        v->field(1)->setText("HLF 20");
        QTest::mouseClick(v->saveButton(), Qt::LeftButton);
        return v->result();
    };
    rightClickTile(w, 1);
    EXPECT_TRUE(sameBytes(folder.bytes("Fzg.txt"), fileBytes(fzgWith({{1, "HLF Nord\tHLF 20\t623B1111"}}))));
    EXPECT_TRUE(sameBytes(folder.bytes("Status/1.txt"), fileBytes({"3\t1\t07.12. 09:10"})));
    EXPECT_EQ(w.core().context.vehicles.vehicleTable[1].status, 3);

    // Status button "4" after a name edit: the edit is dropped, status 4 with time now.
    clock.advance(120);
    dialogs.onDialog = [&](QDialog& d) {
        auto* v = dynamic_cast<ui::VehicleDialog*>(&d);
        v->field(0)->setText("umbenannt");
        QTest::mouseClick(v->statusButton(3), Qt::LeftButton);
        EXPECT_FALSE(v->isVisible());
        return v->result();
    };
    rightClickTile(w, 1);
    EXPECT_TRUE(sameBytes(folder.bytes("Status/1.txt"), fileBytes({"4\t1\t07.12. 10:32"})));
    EXPECT_EQ(w.core().context.vehicles.vehicleTable[1].rufname, "HLF Nord");
    EXPECT_EQ(w.board()->tile(1)->look().fill, QColor(255, 192, 128));  // status 4 light orange

    // TKI "III" writes at once and the dialog stays open; "zurück" then stores no edit.
    clock.advance(60);
    dialogs.onDialog = [&](QDialog& d) {
        auto* v = dynamic_cast<ui::VehicleDialog*>(&d);
        v->field(0)->setText("nicht gespeichert");
        QTest::mouseClick(v->tkiButton(2), Qt::LeftButton);
        EXPECT_TRUE(sameBytes(folder.bytes("Status/1.txt"), fileBytes({"4\t2\t07.12. 10:33"})));
        EXPECT_EQ(v->result(), 0);  // still open
        QTest::mouseClick(v->backButton(), Qt::LeftButton);
        return v->result();
    };
    rightClickTile(w, 1);
    EXPECT_EQ(w.core().context.vehicles.vehicleTable[1].rufname, "HLF Nord");
    EXPECT_EQ(w.core().context.vehicles.vehicleTable[1].tki, 2);
    EXPECT_TRUE(sameBytes(folder.bytes("Fzg.txt"), fileBytes(fzgWith({{1, "HLF Nord\tHLF 20\t623B1111"}}))));
    (void)fzgBefore;
}

TEST_F(VehicleDialog, AssignedCodesAreListedAddedWithTheirLengthRuleAndRemoved) {
    prepare(folder);
    folder.write("ZVEI_FMS_Zuord.txt",
                 {"623b1111\t12345\tHLF Nord", "623B1112\t54321\tRTW Nord", "623B1111\t1234567\tHLF Nord"});
    MainWindow& w = open();
    dialogs.messages.clear();  // start-up's word about the missing sound card

    dialogs.onDialog = [&](QDialog& d) {
        auto* v = dynamic_cast<ui::VehicleDialog*>(&d);
        // Codes of this Kennung, letters without regard to case, in list order.
        EXPECT_EQ(v->codeList()->count(), 2);
        EXPECT_EQ(v->codeList()->item(0)->text(), "12345");
        EXPECT_EQ(v->codeList()->item(1)->text(), "1234567");

        // A four-character answer: "falsche Länge: 4 Zeichen", nothing added.
        dialogs.inputs = {"1234"};
        QTest::mouseClick(v->newCodeButton(), Qt::LeftButton);
        EXPECT_TRUE(dialogs.saw(QString::fromUtf8("falsche Länge: 4 Zeichen")));
        EXPECT_EQ(dialogs.asked("input").back(), "5-Tonfolge/RIC eingeben:");

        // Five characters: appended to the file with the call name as typed.
        v->field(0)->setText("HLF Nord 1");
        dialogs.inputs = {"67890"};
        QTest::mouseClick(v->newCodeButton(), Qt::LeftButton);
        EXPECT_EQ(v->codeList()->count(), 3);

        // "löschen" of "12345" with "Ja": every assignment of 12345 to this vehicle goes.
        v->codeList()->setCurrentRow(0);
        dialogs.answers = {true};
        QTest::mouseClick(v->removeCodeButton(), Qt::LeftButton);
        EXPECT_EQ(dialogs.asked("question").back(), "Eintrag entfernen ");
        EXPECT_EQ(v->codeList()->count(), 2);

        // With a 7-character Kennung: "neu" refuses with the message, "löschen" does nothing.
        v->field(2)->setText("623B111");
        QTest::mouseClick(v->newCodeButton(), Qt::LeftButton);
        EXPECT_TRUE(dialogs.saw("Erst einen Rufnamen und eine FMS-Kenung eingeben!"));
        const auto questions = dialogs.asked("question").size();
        v->codeList()->setCurrentRow(0);
        QTest::mouseClick(v->removeCodeButton(), Qt::LeftButton);
        EXPECT_EQ(dialogs.asked("question").size(), questions);
        EXPECT_EQ(v->codeList()->count(), 2);
        QTest::mouseClick(v->backButton(), Qt::LeftButton);
        return v->result();
    };
    rightClickTile(w, 1);
    EXPECT_TRUE(sameBytes(folder.bytes("ZVEI_FMS_Zuord.txt"),
              fileBytes({"623B1112\t54321\tRTW Nord", "623B1111\t1234567\tHLF Nord", "623B1111\t67890\tHLF Nord 1"})));
    EXPECT_EQ(w.core().context.receivers.assignmentCount(), 3);
    // A reception of the new code names the vehicle.
    EXPECT_EQ(w.core().context.receivers.display("67890").name, " (HLF Nord 1) ");
}

TEST_F(MoveVehicle, WithinTheStationAskedRefusedAndBothStatusFilesWritten) {
    prepare(folder);
    MainWindow& w = open();
    dialogs.messages.clear();  // start-up's word about the missing sound card
    ui::StatusBoard* board = w.board();

    drop(board->tile(1), 1);  // onto itself: nothing, no message
    drop(board->tile(2), 1);  // occupied
    drop(board->tile(5), 4);  // empty source
    EXPECT_TRUE(dialogs.prompts.empty());
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].text, "Feld ist besetzt");
    EXPECT_EQ(dialogs.messages[1].text, "Leeres Feld kann nicht verschoben werden");

    dialogs.answers = {false};  // "Nein"
    drop(board->tile(5), 1);
    EXPECT_EQ(dialogs.asked("question"), QStringList{"Fahrzeug nach hier verschieben ?"});
    EXPECT_EQ(w.core().context.vehicles.vehicleTable[1].rufname, "HLF Nord");

    dialogs.answers = {true};
    drop(board->tile(5), 1);
    EXPECT_TRUE(sameBytes(folder.bytes("Fzg.txt"), fileBytes(fzgWith({{1, "\t\t"}, {5, "HLF Nord\tHilfeleistung\t623B1111"}}))));
    // The moved vehicle's status file carries its status; the emptied slot's says 5 with
    // its old time, as in memory. Without these the stale file of slot 5 would give the
    // vehicle status 4 after a restart.
    EXPECT_TRUE(sameBytes(folder.bytes("Status/5.txt"), fileBytes({"3\t1\t07.12. 09:10"})));
    EXPECT_TRUE(sameBytes(folder.bytes("Status/1.txt"), fileBytes({"5\t0\t07.12. 09:10"})));
    EXPECT_EQ(board->tile(5)->caption(), "HLF Nord");
    EXPECT_EQ(board->tile(1)->look().kind, ui::SlotKind::Empty);

    // After a restart the board is as it was left.
    MainWindow again(folder.path(), clock);
    EXPECT_EQ(again.core().context.vehicles.vehicleTable[5].status, 3);
    EXPECT_EQ(again.core().context.vehicles.vehicleTable[5].rufname, "HLF Nord");
}

TEST_F(MoveVehicle, ToAnotherStationOffersEachFreeSlotAndRewritesBothSlots) {
    prepare(folder, true);
    MainWindow& w = open();
    dialogs.messages.clear();  // start-up's word about the missing sound card
    ui::StatusBoard* board = w.board();

    drop(board->stationButton(0), 2);
    EXPECT_TRUE(dialogs.saw(QString::fromUtf8("Verschieben in gleiche Ebene nicht möglich")));

    // Station 1 has free slots 57 and 59: "Nein" to the first, "Ja" to the second.
    dialogs.answers = {false, true};
    drop(board->stationButton(1), 2);
    EXPECT_EQ(dialogs.asked("question").size(), 2);
    EXPECT_TRUE(sameBytes(folder.bytes("Fzg.txt"),
              fileBytes(fzgWith({{2, "\t\t"}, {59, "RTW Nord\tRettungswagen\t623B1112"}}, true))));
    EXPECT_TRUE(sameBytes(folder.bytes("Status/59.txt"), fileBytes({"2\t0\t07.12. 09:20"})));
    EXPECT_TRUE(sameBytes(folder.bytes("Status/2.txt"), fileBytes({"6\t0\t07.12. 10:30"})));
    EXPECT_EQ(w.core().context.vehicles.vehicleTable[2].statusTime, "07.12. 10:30");
    EXPECT_EQ(board->tile(2)->look().kind, ui::SlotKind::Empty);

    // Answering "Nein" to every free slot moves nothing.
    dialogs.prompts.clear();
    dialogs.answers = {false, false};
    drop(board->stationButton(1), 1);
    EXPECT_EQ(dialogs.asked("question").size(), 1);  // 57 is the only free one left
    EXPECT_EQ(w.core().context.vehicles.vehicleTable[1].rufname, "HLF Nord");

    // A full station asks nothing.
    dialogs.answers = {true};
    drop(board->stationButton(1), 1);  // fills 57
    dialogs.prompts.clear();
    drop(board->stationButton(1), 0);
    EXPECT_TRUE(dialogs.prompts.empty());
    EXPECT_EQ(w.core().context.vehicles.vehicleTable[0].rufname, "Wache Nord");
}

TEST_F(StationNames, RightClickRenamesAndAnEmptyAnswerKeepsTheName) {
    std::vector<std::string> names(30);
    names[0] = "Hauptwache";
    folder.write("Wachen.txt", names);
    MainWindow& w = open();
    dialogs.messages.clear();  // start-up's word about the missing sound card

    dialogs.inputs = {QString::fromUtf8("Süd")};
    QTest::mouseClick(w.board()->stationButton(5), Qt::RightButton);
    EXPECT_EQ(dialogs.asked("input"), QStringList{"Neuen Namen eingeben:"});
    EXPECT_EQ(w.board()->stationButton(5)->text(), QString::fromUtf8("Süd"));
    names[5] = "Süd";
    EXPECT_TRUE(sameBytes(folder.bytes("Wachen.txt"), fileBytes(names)));
    // A right click selects nothing.
    EXPECT_EQ(w.board()->currentStation(), 0);

    QTest::mouseClick(w.board()->stationButton(5), Qt::RightButton);  // cancelled
    EXPECT_EQ(w.board()->stationButton(5)->text(), QString::fromUtf8("Süd"));
    EXPECT_TRUE(sameBytes(folder.bytes("Wachen.txt"), fileBytes(names)));

    // The left button selects the station; its tiles show its slots.
    QTest::mouseClick(w.board()->stationButton(5), Qt::LeftButton);
    EXPECT_EQ(w.board()->currentStation(), 5);
    MainWindow again(folder.path(), clock);
    EXPECT_EQ(again.board()->stationButton(5)->text(), QString::fromUtf8("Süd"));
    EXPECT_EQ(again.board()->stationButton(0)->text(), "Hauptwache");
}

}  // namespace
}  // namespace kub::test

namespace kub::test {
namespace {

// A file that cannot be replaced (a folder stands in its place) is said in a message
// naming it; the change stays in memory and the other files are written.
TEST_F(BoardEditing, FilesThatCannotBeWrittenAreNamedAndTheRestIsWritten) {
    prepare(folder);
    std::filesystem::create_directories(std::filesystem::path(folder.path()) / "Status" / "3.txt" / "x");
    std::filesystem::create_directories(std::filesystem::path(folder.path()) / "Wachen.txt" / "x");
    MainWindow& w = open();
    dialogs.messages.clear();

    dialogs.onDialog = [&](QDialog& d) {
        auto* v = dynamic_cast<ui::VehicleDialog*>(&d);
        v->field(0)->setText("ELW");
        v->field(2)->setText("623B3333");
        QTest::mouseClick(v->saveButton(), Qt::LeftButton);
        return v->result();
    };
    QTest::mouseClick(w.board()->tile(3), Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_TRUE(dialogs.saw(QString::fromUtf8("Die Datei \"Status/3.txt\" konnte nicht geschrieben werden !")));
    EXPECT_TRUE(sameBytes(folder.bytes("Fzg.txt"), fileBytes(fzgWith({{3, "ELW\t\t623B3333"}}))));
    EXPECT_EQ(w.core().context.vehicles.vehicleTable[3].status, 6);

    dialogs.inputs = {"Nord"};
    QTest::mouseClick(w.board()->stationButton(2), Qt::RightButton);
    EXPECT_TRUE(dialogs.saw(QString::fromUtf8("Die Datei \"Wachen.txt\" konnte nicht geschrieben werden !")));
    EXPECT_EQ(w.board()->stationButton(2)->text(), "Nord");
    EXPECT_EQ(w.stationNames()[2], "Nord");
}

}  // namespace
}  // namespace kub::test
