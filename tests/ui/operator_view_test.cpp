// What the operator reads off the window: the detail line under the board, the tiles of
// the demo district at the default size, acknowledging alerts, and a new folder.
#include <QApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QLabel>
#include <QSet>
#include <QTest>
#include <gtest/gtest.h>

#include "siggen/fms_signal.h"
#include "storage/demo_district.h"
#include "storage/settings.h"
#include "ui/alert_lists.h"
#include "ui/colours.h"
#include "ui/main_window.h"
#include "ui/status_board.h"
#include "ui/tile_widget.h"
#include "ui_test_support.h"
#include "window_fixture.h"

namespace kub::test {
namespace {

class DemoBoard : public WindowTest {};
class DetailLine : public WindowTest {};
class NewFolder : public WindowTest {};

using ui::MainWindow;

void sendStatus(MainWindow& w, const std::string& kennung, int status, int tki) {
    std::vector<float> signal(22050 / 2, 0.0f);
    const auto t = siggen::fmsTelegramSignal({kennung, status, 0, tki, 0}, 0.5);
    signal.insert(signal.end(), t.begin(), t.end());
    signal.insert(signal.end(), 22050, 0.0f);
    feedBothChannels(w.core(), signal);
}

void hover(QWidget* w) {
    QMouseEvent move(QEvent::MouseMove, QPointF(w->rect().center()), w->mapToGlobal(QPointF(w->rect().center())),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

// Two vehicles, FMS decoded on the left channel.
void prepareTwoVehicles(const ProgramFolder& folder) {
    folder.write("Fzg.txt", {"HLF 1\tHilfeleistung\t623B1111", "RTW 2\tRettung\t623B1112"});
    Settings s = defaultSettings();
    s.fmsLeft = 1;
    saveSettings(folder.path(), s);
}

QStringList strip(const ui::StatusBoard* b) {
    QStringList fields;
    for (int i = 0; i < 5; ++i) fields << b->infoField(i)->text();
    return fields;
}

TEST_F(DetailLine, ShowsTheTileUnderTheMouseAndFollowsEveryStatusOfIt) {
    prepareTwoVehicles(folder);
    folder.write("Status/0.txt", {"2\t0\t07.12. 09:10"});
    MainWindow& w = open();
    w.show();
    ui::StatusBoard* b = w.board();
    // Tile 0 is the first one the mouse reaches; it was once taken as shown already.
    hover(b->tile(0));
    EXPECT_EQ(strip(b), (QStringList{"HLF 1", "2", "0", "Hilfeleistung", "07.12. 09:10"}));

    sendStatus(w, "623B1111", 3, 1);
    EXPECT_EQ(strip(b), (QStringList{"HLF 1", "3", "1", "Hilfeleistung", "07.12. 10:30"}));
    sendStatus(w, "623B1112", 4, 0);

    // Clicking a tile shows it; clicking it again after a change shows the change.
    QTest::mouseClick(b->tile(1), Qt::LeftButton);
    EXPECT_EQ(strip(b), (QStringList{"RTW 2", "4", "0", "Rettung", "07.12. 10:30"}));
    b->infoField(1)->setText("alt");
    QTest::mouseClick(b->tile(1), Qt::LeftButton);
    EXPECT_EQ(b->infoField(1)->text(), "4");
    // An empty slot clears it.
    hover(b->tile(2));
    EXPECT_EQ(strip(b), (QStringList{"", "", "", "", ""}));
}

TEST_F(DemoBoard, EveryTileReadsWholeOrByItsDistinguishingEndAtTheDefaultSize) {
    ASSERT_TRUE(writeDemoDistrict(folder.path(), "08.12. 09:00"));
    MainWindow& w = open();
    w.resize(1067, 800);
    w.show();
    for (int station = 0; station < 5; ++station) {
        w.board()->selectStation(station);
        QSet<QString> seen;
        for (int k = 0; k < w.core().context.vehicles.tilesPerStation(); ++k) {
            const ui::TileWidget* t = w.board()->tile(k);
            if (t->look().kind != ui::SlotKind::Vehicle) continue;
            const ui::FittedCaption shown = t->shown();
            EXPECT_LE(QFontMetrics(shown.font).horizontalAdvance(shown.text), t->width() - 4) << shown.text.toStdString();
            EXPECT_GE(shown.font.pointSize(), ui::kMinTilePoints);
            // Whole, or the end of the name: "…10/1", never the beginning all of them share.
            const QString tail = shown.text.startsWith(QChar(0x2026)) ? shown.text.mid(1) : shown.text;
            EXPECT_TRUE(t->caption().endsWith(tail)) << shown.text.toStdString();
            EXPECT_FALSE(seen.contains(shown.text)) << "zweimal: " << shown.text.toStdString();
            seen.insert(shown.text);
        }
        EXPECT_FALSE(seen.isEmpty()) << "Wache " << station;
    }
}

struct AckCase {
    const char* what;
    bool doubleClick;
    int pressesBefore;  // single presses on the entry before the (double) click
    int left;           // entries left of two
};

class Acknowledge : public ::testing::TestWithParam<AckCase> {};

TEST_P(Acknowledge, FirstPressSelectsTheNextRemoves) {
    RecordingDialogs dialogs;
    ProgramFolder folder;
    prepareTwoVehicles(folder);
    ManualClock clock(testEpoch());
    MainWindow w(folder.path(), clock);
    w.resize(1400, 900);
    w.show();
    // Two status 5 through the decoding, as an alarm arrives.
    sendStatus(w, "623B1111", 5, 0);
    sendStatus(w, "623B1112", 5, 0);
    ui::AlertListWidget* l2 = w.alertLists()->list(AlertList::List2);
    ASSERT_EQ(l2->count(), 2);
    EXPECT_EQ(l2->toolTip(), "Eintrag anklicken, erneut klicken zum Quittieren");
    EXPECT_EQ(l2->item(0)->toolTip(), "HLF 1");
    EXPECT_EQ(l2->item(1)->toolTip(), "RTW 2");
    const QPoint at = l2->visualItemRect(l2->item(0)).center();
    for (int i = 0; i < GetParam().pressesBefore; ++i) QTest::mouseClick(l2->viewport(), Qt::LeftButton, {}, at);
    if (GetParam().doubleClick) {
        QTest::mouseClick(l2->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(l2->viewport(), Qt::LeftButton, {}, at);
    }
    EXPECT_EQ(l2->count(), GetParam().left) << GetParam().what;
    EXPECT_EQ(l2->backgroundValue(), ui::kGreen) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(AlertLists, Acknowledge,
                         ::testing::Values(AckCase{"one press only selects", false, 1, 2},
                                           AckCase{"select, then press", false, 2, 1},
                                           AckCase{"double click", true, 0, 1},
                                           AckCase{"double click on the selected entry takes one", true, 1, 1}),
                         [](const auto& p) { return "case" + std::to_string(p.index); });

TEST_F(NewFolder, SaysHowToBeginAndNamesEveryStation) {
    MainWindow& w = open();
    w.resize(1067, 800);
    w.show();
    w.tabs()->setCurrentIndex(1);
    QLabel* hint = w.board()->emptyHint();
    EXPECT_TRUE(hint->isVisible());
    EXPECT_TRUE(hint->text().contains(QString::fromUtf8("Rechtsklick auf ein Feld → „Eigenschaften“")));
    EXPECT_TRUE(hint->text().contains("Fzge importieren"));
    EXPECT_EQ(w.board()->stationButton(0)->text(), "Wache 1");
    EXPECT_EQ(w.board()->stationButton(29)->text(), "Wache 30");

    // The first vehicle, entered in the dialog (which redraws only its own tile), takes
    // the hint away.
    VehicleRecord& first = w.core().context.vehicles.vehicleTable[0];
    first.kennung = "623B1111";
    first.rufname = "HLF 1";
    std::int16_t tile = 0;
    w.update_labelx(tile);
    EXPECT_FALSE(hint->isVisible());
}

}  // namespace
}  // namespace kub::test
