// Incidents in the window: the banner above the tabs (never a box) until acknowledged, grey
// for a test alarm, and the "Einsätze" table.
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

#include "core/reception_context.h"
#include "ui/incident_banner.h"
#include "ui/incident_table.h"
#include "ui/main_window.h"
#include "ui_test_support.h"

namespace kub::test {
namespace {

ReceptionRecord incident(bool test) {
    ReceptionRecord r;
    r.protocol = RecordProtocol::Einsatz;
    r.seconds = testEpoch();
    r.time = "2026-12-07T10:30:00+01:00";
    r.text = "B3 Brand Wohnhaus Hauptstr. 5";
    r.felder = {{"stichwort", "B3"}, {"adresse", "Hauptstr. 5"}};
    r.einheiten = {{"1234567", 3, "", "LF 10/1", 0}, {"", -1, "25431", "", 0}};
    r.probealarm = test;
    r.incidentId = test ? 2 : 1;
    return r;
}

TEST(Incidents, BannerUntilAcknowledgedGreyForATestAlarmAndTheTable) {
    RecordingDialogs dialogs;
    ProgramFolder folder;
    ManualClock clock(testEpoch());
    ui::MainWindow w(folder.path(), clock);
    w.resize(1000, 700);
    w.show();
    ReceptionOutput& window = w.core().context.windowOutput;
    ui::IncidentBanner* banner = w.incidentBanner();
    const int tabsTop = w.tabs()->y();
    ASSERT_TRUE(banner->isHidden());
    const std::size_t boxesBefore = dialogs.messages.size();

    window.deliver(incident(false));
    EXPECT_FALSE(banner->isHidden());
    EXPECT_EQ(banner->headline()->text(), QString::fromUtf8("Einsatz  –  07.12.2026 10:30:00  –  B3  –  Hauptstr. 5"));
    EXPECT_TRUE(banner->detail()->text().startsWith(QStringLiteral("LF 10/1, 25431")));
    EXPECT_GE(w.tabs()->y(), banner->geometry().bottom()) << "the banner covers no tab";
    EXPECT_EQ(dialogs.messages.size(), boxesBefore) << "no box";
    ui::IncidentTable* table = w.incidentTable();
    EXPECT_EQ(w.tabs()->tabText(w.tabs()->indexOf(table)), QString::fromUtf8("Einsätze"));
    ASSERT_EQ(table->rowCount(), 1);
    EXPECT_EQ(table->item(0, 1)->text(), "B3");
    EXPECT_EQ(table->item(0, 2)->text(), "LF 10/1, 25431");
    EXPECT_EQ(table->item(0, 3)->text(), "B3 Brand Wohnhaus Hauptstr. 5");

    QTest::mouseClick(banner->acknowledgeButton(), Qt::LeftButton);
    EXPECT_TRUE(banner->isHidden());
    EXPECT_EQ(w.tabs()->y(), tabsTop);

    window.deliver(incident(true));
    EXPECT_FALSE(banner->isHidden());
    EXPECT_TRUE(banner->headline()->text().startsWith(QStringLiteral("Probealarm")));
    const QColor fill = banner->palette().color(QPalette::Window);
    EXPECT_EQ(fill.red(), fill.blue()) << "grey, not red";
    ASSERT_EQ(table->rowCount(), 2);
    EXPECT_EQ(table->item(0, 1)->text(), "Probealarm B3");
    EXPECT_EQ(table->item(0, 0)->background().color(), QColor(0xE4, 0xE4, 0xE4));
    QTest::mouseClick(banner, Qt::LeftButton);
    EXPECT_TRUE(banner->isHidden());
}

}  // namespace
}  // namespace kub::test
