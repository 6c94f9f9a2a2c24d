// "Aufzeichnung abspielen…": a recording through the window's decoding at the pace of the
// sound card, with the rows, the board and the day logs as live traffic leaves them.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QThread>
#include <gtest/gtest.h>

#include "storage/day_log.h"
#include "storage/settings.h"
#include "ui/main_window.h"
#include "ui/reception_tables.h"
#include "ui/replay_control.h"
#include "ui/settings_tab.h"
#include "ui_test_support.h"
#include "support/event_wait.h"

namespace kub::test {
namespace {

using kubtest::waitFor;

TEST(ReplayButton, PlaysARecordingThroughTheDecodingAndComesBackToStart) {
    RecordingDialogs dialogs;
    ProgramFolder folder;
    folder.write("Fzg.txt", {"Löschzug Süd\t\t", "HLF Süd 1\tHilfeleistung\t623B1234"});
    folder.write("ZVEI.txt", {"12345\tFeuerwehr Musterstadt\t16761024"});
    Settings s = defaultSettings();
    s.fmsLeft = s.zveiLeft = s.pocsagRight = 1;
    s.deviceIndex = -1;
    ASSERT_TRUE(saveSettings(folder.path(), s));
    const QString wav = QString::fromStdString(folder.path() + "/probe.wav");
    QProcess gen;
    gen.start(QStringLiteral(KUBMON_EXE), {"gen", wav, "left", "gap:300", "fms:623B1234:3:0:1", "gap:500", "zvei:12345",
                                           "right", "gap:300", "poc1200:1234567:3:Probealarm", "sync", "gap:300"});
    ASSERT_TRUE(gen.waitForFinished(30000));
    ASSERT_EQ(gen.exitCode(), 0);

    WallClock clock;
    ui::MainWindow w(folder.path(), clock);
    ui::ReplayControl* replay = w.replayControl();
    ASSERT_NE(replay, nullptr);
    QPushButton* button = replay->button();
    EXPECT_EQ(button->text(), QStringLiteral("Aufzeichnung abspielen…"));
    // Beside "Start", in the sound card section.
    EXPECT_EQ(button->parentWidget(), w.settingsTab()->startButton()->parentWidget());

    // Closed without a file: nothing plays.
    button->click();
    EXPECT_FALSE(replay->playing());

    dialogs.files.push_back(wav);
    button->click();
    ASSERT_TRUE(replay->playing()) << (dialogs.messages.empty() ? "" : dialogs.messages.back().text.toStdString());
    EXPECT_FALSE(w.settingsTab()->startButton()->isEnabled());
    EXPECT_EQ(button->text(), QStringLiteral("Abspielen beenden"));
    ASSERT_TRUE(waitFor([&] { return !replay->playing(); }, 20000));
    EXPECT_TRUE(w.settingsTab()->startButton()->isEnabled());
    EXPECT_EQ(button->text(), QStringLiteral("Aufzeichnung abspielen…"));

    EXPECT_EQ(w.core().context.vehicles.vehicleTable[1].status, 3);
    EXPECT_EQ(w.tables()->rowText(ReceptionTable::Zvei, 1).rfind("12345\tFeuerwehr Musterstadt\t", 0), 0u);
    EXPECT_NE(w.tables()->rowText(ReceptionTable::Pocsag, 1).find("Probealarm"), std::string::npos);
    const auto fmsLog = folder.read("Logbuch/" + dayLogFileName(LogKind::Fms, clock.now()));
    ASSERT_FALSE(fmsLog.empty());
    EXPECT_NE(fmsLog.back().find("\t623B1234\t3\t"), std::string::npos) << fmsLog.back();

    // Not a recording: said, nothing plays.
    folder.write("kaputt.wav", {"kein Ton"});
    dialogs.files.push_back(QString::fromStdString(folder.path() + "/kaputt.wav"));
    button->click();
    EXPECT_FALSE(replay->playing());
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_EQ(dialogs.messages.back().title, QStringLiteral("Achtung:"));
    EXPECT_TRUE(w.settingsTab()->startButton()->isEnabled());
}

}  // namespace
}  // namespace kub::test
