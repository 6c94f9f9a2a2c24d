// The section "Alarmierung": the rules and destinations of the folder's file with their
// state, a broken file said in the red line while the last good rules stay, and a test
// message that reaches the delivery without any box.
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <fstream>

#include "alarm/alarm_start.h"
#include "ui/main_window.h"
#include "ui/settings_alarms.h"
#include "ui_test_support.h"

namespace kub::test {
namespace {

TEST(AlarmSection, ShowsRulesAndDestinationsKeepsThemOverABrokenFileAndSendsATest) {
    RecordingDialogs dialogs;
    ProgramFolder folder;
    const std::string path = folder.path() + "/Alarmierung.toml";
    std::ofstream(path) << "[ziel.handy]\nart = \"webhook\"\nurl = \"http://127.0.0.1:9/\"\n"
                           "[[regel]]\nname = \"Unsere Schleifen\"\nziele = [\"handy\"]\nwenn.ric = \"1234567\"\n";
    ManualClock clock(testEpoch());
    ui::MainWindow w(folder.path(), clock);
    ui::AlarmsSection* s = w.alarmsSection();
    ASSERT_EQ(s->rulesTable()->rowCount(), 1);
    EXPECT_EQ(s->rulesTable()->item(0, 0)->text(), "Unsere Schleifen");
    EXPECT_EQ(s->rulesTable()->item(0, 1)->text(), "handy");
    EXPECT_EQ(s->rulesTable()->item(0, 2)->text(), "aktiv");
    ASSERT_EQ(s->targetsTable()->rowCount(), 1);
    EXPECT_EQ(s->targetsTable()->item(0, 1)->text(), "Webhook");

    std::ofstream(path, std::ios::app) << "wenn.kanal = \"mitte\"\n";
    QTest::mouseClick(s->reloadButton(), Qt::LeftButton);
    EXPECT_TRUE(w.writeFailure().startsWith(QStringLiteral("Alarmierung.toml, Zeile 8, Spalte 14:"))) << w.writeFailure().toStdString();
    EXPECT_EQ(s->stateLabel()->text().left(25), w.writeFailure().left(25));
    EXPECT_EQ(s->rulesTable()->rowCount(), 1) << "the last good rules stay";

    s->targetsTable()->selectRow(0);
    QTest::mouseClick(s->testButton(), Qt::LeftButton);
    const auto states = w.alarms()->dispatch().states();
    ASSERT_EQ(states.size(), 1u);
    EXPECT_EQ(states[0].name, "handy");
    EXPECT_GE(states[0].waiting + states[0].failed + (states[0].lastDeliverySeconds > 0 ? 1u : 0u), 1u);
    EXPECT_TRUE(dialogs.messages.empty()) << "no box";
}

}  // namespace
}  // namespace kub::test
