// The window on a real sound server: the operator picks the virtual receiver, ticks the
// decoders, saves and presses "Start"; radio traffic played into the receiver shows up on
// the board, in the tables and alert lists, and in the day logs. Then the receiver is
// pulled out while capturing and plugged in again. The sound server comes from run_capture_e2e.sh.
#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QPushButton>
#include <QTabWidget>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QThread>
#include <gtest/gtest.h>
#include <vector>

#include "platform/capture_device.h"
#include "storage/day_log.h"
#include "storage/settings.h"
#include "ui/alert_lists.h"
#include "ui/capture_control.h"
#include "ui/capture_stopped_line.h"
#include "ui/colours.h"
#include "ui/main_window.h"
#include "ui/reception_tables.h"
#include "ui/settings_capture_start.h"
#include "ui/settings_tab.h"
#include "ui/status_board.h"
#include "ui/tile_widget.h"
#include "ui_test_support.h"
#include "support/event_wait.h"
#include "support/line_server.h"

namespace kub::test {
namespace {

using kubtest::waitFor;

int run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!waitFor([&] { return p.state() == QProcess::NotRunning; }, 30000)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

void clickIndicator(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(6, w->height() / 2)); }

TEST(CaptureEndToEnd, TrafficFromTheVirtualReceiverReachesWindowAndLogs) {
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("PULSE_SERVER")) << "run through run_capture_e2e.sh";
    RecordingDialogs dialogs;
    ProgramFolder folder;
    folder.write("Fzg.txt", {"Löschzug Süd\t\t", "HLF Süd 1\tHilfeleistung\t623B1234",
                             "RTW Nord\tRettungswagen\t623B5678"});
    folder.write("ZVEI.txt", {"12345\tFeuerwehr Musterstadt\t16761024", "1234567\tWehrführer Süd\t12648447"});
    const std::string wav = folder.path() + "/funk.wav";
    ASSERT_EQ(run(QStringLiteral(KUBMON_EXE),
                  {"gen", QString::fromStdString(wav), "left", "gap:500", "fms:623B1234:3:0:1", "gap:1500",
                   "fms:623B1234:5:0:1", "gap:1500", "zvei:12345", "gap:1500", "right", "gap:800",
                   "fms:623B5678:2:0:1", "gap:1000", "poc1200:1234567:3:Brand Hauptstrasse 5", "gap:1000", "sync",
                   "gap:800"}),
              0);

    // The TCP export is on, to a server of the test's own: it pauses 240 ms after each
    // line letting the event loop run, so blocks arrive while a reception is handled.
    QTcpServer server;
    ASSERT_TRUE(kubtest::listenOnUserPort(server));
    // Saving the settings connects anew; lines from every connection count.
    QTcpSocket* peer = nullptr;
    QByteArray received;
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* c = server.nextPendingConnection()) {
            peer = c;
            QObject::connect(c, &QTcpSocket::readyRead, [&received, c] { received += c->readAll(); });
        }
    });
    Settings preset = defaultSettings();
    preset.tcpExport = 1;
    preset.tcpServer = "127.0.0.1";
    preset.tcpPort = static_cast<std::int16_t>(server.serverPort());
    ASSERT_TRUE(saveSettings(folder.path(), preset));
    // Two more receivers on the server: the box lists all inputs, in the server's order.
    for (const char* name : {"Zweitempfaenger", "Drittempfaenger"})
        ASSERT_EQ(run(QStringLiteral("pactl"),
                      {"load-module", "module-remap-source", "master=radio.monitor",
                       QStringLiteral("source_name=%1").arg(QString::fromLatin1(name).toLower()),
                       QStringLiteral("source_properties=device.description=%1").arg(QString::fromLatin1(name))}),
                  0);
    WallClock clock;
    ui::MainWindow w(folder.path(), clock);
    {
        const auto inputs = CaptureDevice::listCaptureDevices();
        ASSERT_GE(inputs.size(), 3u);
        ASSERT_EQ(w.settingsTab()->deviceBox()->count(), static_cast<int>(inputs.size()));
        for (int i = 0; i < static_cast<int>(inputs.size()); ++i)
            EXPECT_EQ(w.settingsTab()->deviceBox()->itemText(i).toStdString(), inputs[static_cast<std::size_t>(i)]);
        for (const char* name : {"Funkempfaenger", "Zweitempfaenger", "Drittempfaenger"})
            EXPECT_GE(w.settingsTab()->deviceBox()->findText(QString::fromLatin1(name)), 0) << name;
    }
    ASSERT_TRUE(waitFor([&] { return peer != nullptr; }, 5000)) << "the TCP export did not connect";
    w.show();
    ui::SettingsTab* st = w.settingsTab();
    w.tabs()->setCurrentIndex(2);

    // The operator's steps: receiver, decoders, "speichern", "Start".
    const int receiver = st->deviceBox()->findText(QStringLiteral("Funkempfaenger"));
    ASSERT_GE(receiver, 0) << "the sound server lists no virtual receiver";
    st->deviceBox()->setCurrentIndex(receiver);
    // FMS left and right, ZVEI left, POCSAG right.
    for (int item : {5, 2, 3, 1}) clickIndicator(st->decoderSwitch(item));
    QTest::mouseClick(st->saveButton(), Qt::LeftButton);
    EXPECT_EQ(loadSettings(folder.path()).deviceIndex, receiver);
    EXPECT_EQ(loadSettings(folder.path()).fmsRight, 1);
    EXPECT_TRUE(w.captureStoppedLine()->isVisible());  // not capturing yet: nothing restarts
    QTest::mouseClick(st->startButton(), Qt::LeftButton);
    EXPECT_FALSE(w.captureStoppedLine()->isVisible());
    ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages.front().text.toStdString();
    EXPECT_FALSE(st->startButton()->isEnabled());
    EXPECT_TRUE(st->stopButton()->isEnabled());
    EXPECT_EQ(st->stopButton()->palette().color(QPalette::Button), QColor(255, 0, 0));
    ASSERT_TRUE(waitFor([&] { return w.captureDevice().blocksDelivered() >= 5; }, 5000))
        << "no blocks from the sound server";

    ASSERT_EQ(run(QStringLiteral("paplay"), {"-d", "radio", QString::fromStdString(wav)}), 0);
    const auto& vehicles = w.core().context.vehicles.vehicleTable;
    // Every FMS row counts: a telegram that was not sent is as wrong as one that is lost.
    ASSERT_TRUE(waitFor([&] {
        return w.tables()->table(ReceptionTable::Zvei)->rowCount() >= 1 &&
               w.tables()->table(ReceptionTable::Pocsag)->rowCount() >= 1 &&
               w.tables()->rowTexts(ReceptionTable::Fms).size() >= 3;
    }, 5000)) << "FMS rows: " << w.tables()->rowTexts(ReceptionTable::Fms).size();

    // Board: HLF Süd 1 at status 3 then 5 (5 stays off the board), RTW Nord at 2.
    EXPECT_EQ(vehicles[1].status, 3);
    EXPECT_EQ(vehicles[2].status, 2);
    EXPECT_EQ(w.board()->tile(1)->look().fill, QColor(255, 192, 192));
    EXPECT_EQ(w.board()->tile(2)->look().fill, QColor(255, 255, 192));
    // Tables: the newest on top.
    const auto fmsRows = w.tables()->rowTexts(ReceptionTable::Fms);
    const auto& rows = fmsRows;
    std::string shown;
    for (const auto& r : fmsRows) shown += r + "\n";
    ASSERT_EQ(rows.size(), 3u) << shown;
    EXPECT_EQ(rows[0].rfind("HLF Süd 1\t", 0), 0u) << shown;
    EXPECT_NE(rows[0].find("\t623B1234\t5\t"), std::string::npos) << shown;
    int nord = 0, hlf3 = 0;
    for (const auto& r : rows) {
        nord += r.rfind("RTW Nord\t", 0) == 0 && r.find("\t623B5678\t2\t") != std::string::npos ? 1 : 0;
        hlf3 += r.find("\t623B1234\t3\t") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(nord, 1) << shown;
    EXPECT_EQ(hlf3, 1) << shown;
    EXPECT_EQ(w.tables()->rowText(ReceptionTable::Zvei, 1).substr(0, 28), "12345\tFeuerwehr Musterstadt\t");
    const std::string pager = w.tables()->rowText(ReceptionTable::Pocsag, 1);
    EXPECT_EQ(pager.rfind("1234567\t3\tWehrführer Süd\t", 0), 0u) << pager;
    EXPECT_NE(pager.find("\tBrand Hauptstrasse 5"), std::string::npos) << pager;
    EXPECT_EQ(w.tables()->table(ReceptionTable::Pocsag)->item(0, 2)->background().color(), QColor(255, 255, 192));
    EXPECT_FALSE(w.tables()->table(ReceptionTable::Pocsag)->isHidden());
    EXPECT_EQ(w.alertLineCount(AlertList::List2), 1);
    EXPECT_EQ(w.alertLists()->list(AlertList::List2)->backgroundValue(), ui::kGreen);
    // Day logs: the same rows, oldest first.
    const LocalTime today = clock.now();
    const auto fmsLog = folder.read("Logbuch/" + dayLogFileName(LogKind::Fms, today));
    EXPECT_EQ(fmsLog, std::vector<std::string>(fmsRows.rbegin(), fmsRows.rend()));
    EXPECT_EQ(folder.read("Logbuch/" + dayLogFileName(LogKind::Zvei, today)).size(), 1u);
    EXPECT_EQ(folder.read("Logbuch/" + dayLogFileName(LogKind::Pocsag, today)),
              std::vector<std::string>{pager});

    // Every reception went out over TCP, and every block captured was decoded.
    waitFor([&] { return received.count("#+") >= static_cast<qsizetype>(fmsRows.size() + 2); }, 3000);
    EXPECT_EQ(received.count("#+"), static_cast<qsizetype>(fmsRows.size() + 2)) << received.toStdString();
    EXPECT_TRUE(received.contains("##POC#1234567#3#")) << received.toStdString();
    ASSERT_TRUE(waitFor([&] { return !w.core().dispatcher.processingGuard(); }, 2000));
    EXPECT_EQ(w.core().dispatcher.blocksHandled(), w.captureDevice().blocksDelivered());

    // "speichern" while capturing opens the card anew and captures on with the saved
    // settings; no red line.
    QTest::mouseClick(st->saveButton(), Qt::LeftButton);
    ASSERT_TRUE(w.captureDevice().isOpen());
    EXPECT_FALSE(st->startButton()->isEnabled());
    EXPECT_FALSE(w.captureStoppedLine()->isVisible());
    ASSERT_TRUE(waitFor([&] { return w.captureDevice().blocksDelivered() >= 3; }, 5000));
    const std::string again = folder.path() + "/nochmal.wav";
    ASSERT_EQ(run(QStringLiteral(KUBMON_EXE), {"gen", QString::fromStdString(again), "right", "gap:500",
                                                 "fms:623B5678:1:0:1", "gap:1000"}),
              0);
    ASSERT_EQ(run(QStringLiteral("paplay"), {"-d", "radio", QString::fromStdString(again)}), 0);
    EXPECT_TRUE(waitFor([&] { return vehicles[2].status == 1; }, 5000)) << "no decoding after restart";
    EXPECT_EQ(w.board()->tile(2)->look().fill, QColor(192, 255, 192));

    // The next start selects the saved receiver.
    {
        ui::MainWindow next(folder.path(), clock);
        EXPECT_EQ(next.settingsTab()->deviceBox()->currentText(), "Funkempfaenger");
    }

    // The receiver vanishes while capturing: a line in the window, no box that would wait
    // for a person, and capture goes on by itself when the receiver is back.
    const std::size_t boxesBefore = dialogs.messages.size();
    ASSERT_EQ(run(QStringLiteral("pactl"), {"unload-module", "module-remap-source"}), 0);  // all three
    ASSERT_TRUE(waitFor([&] { return !w.deviceFault().isEmpty(); }, 10000)) << "no fault line after device loss";
    EXPECT_TRUE(w.deviceFault().contains("Funkempfaenger")) << w.deviceFault().toStdString();
    EXPECT_FALSE(w.captureDevice().isOpen());
    EXPECT_FALSE(st->startButton()->isEnabled());
    EXPECT_TRUE(st->stopButton()->isEnabled());
    // Tries to take it up again pass with the receiver still away.
    QSignalSpy tries(w.captureControl()->findChild<QTimer*>(QStringLiteral("captureRetry")), &QTimer::timeout);
    ASSERT_TRUE(waitFor([&] { return tries.count() >= 2; }, 10000)) << "no try to take the receiver up again";
    EXPECT_EQ(dialogs.messages.size(), boxesBefore);
    EXPECT_FALSE(w.captureDevice().isOpen());

    ASSERT_EQ(run(QStringLiteral("pactl"), {"load-module", "module-remap-source", "master=radio.monitor",
                                            "source_name=radio_in", "source_properties=device.description=Funkempfaenger"}),
              0);
    ASSERT_TRUE(waitFor([&] { return w.captureDevice().isOpen(); }, 10000)) << "capture not taken up again";
    EXPECT_TRUE(w.deviceFault().isEmpty()) << w.deviceFault().toStdString();
    ASSERT_TRUE(waitFor([&] { return w.captureDevice().blocksDelivered() >= 3; }, 5000));
    const std::string back = folder.path() + "/zurueck.wav";
    ASSERT_EQ(run(QStringLiteral(KUBMON_EXE), {"gen", QString::fromStdString(back), "right", "gap:500",
                                                 "fms:623B5678:3:0:1", "gap:1000"}),
              0);
    ASSERT_EQ(run(QStringLiteral("paplay"), {"-d", "radio", QString::fromStdString(back)}), 0);
    EXPECT_TRUE(waitFor([&] { return vehicles[2].status == 3; }, 5000)) << "no decoding after the receiver came back";

    // "stop" while waiting ends the waiting.
    ASSERT_EQ(run(QStringLiteral("pactl"), {"unload-module", "module-remap-source"}), 0);
    ASSERT_TRUE(waitFor([&] { return !w.deviceFault().isEmpty(); }, 10000));
    QTest::mouseClick(st->stopButton(), Qt::LeftButton);
    EXPECT_TRUE(w.deviceFault().isEmpty());
    EXPECT_TRUE(st->startButton()->isEnabled());
    EXPECT_TRUE(w.captureStoppedLine()->isVisible());
    EXPECT_FALSE(st->stopButton()->isEnabled());
    EXPECT_EQ(dialogs.messages.size(), boxesBefore);
}

// A monitor that restarts decodes again by itself: a new program folder starts capturing
// at start-up with every decoder on; a "Mon.ini" of an older installation (thirty lines,
// decoders on) keeps the classic start and waits for "Start".
TEST(CaptureEndToEnd, ANewFolderCapturesFromTheStartAnOlderMonIniWaitsForStart) {
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("PULSE_SERVER")) << "run through run_capture_e2e.sh";
    auto listed = [] {
        for (const std::string& name : CaptureDevice::listCaptureDevices())
            if (name == "Funkempfaenger") return true;
        return false;
    };
    if (!listed()) {
        ASSERT_EQ(run(QStringLiteral("pactl"), {"load-module", "module-remap-source", "master=radio.monitor",
                                                "source_name=radio_in",
                                                "source_properties=device.description=Funkempfaenger"}),
                  0);
    }
    ASSERT_TRUE(waitFor(listed, 5000));
    ASSERT_EQ(CaptureDevice::listCaptureDevices().front(), "Funkempfaenger");
    RecordingDialogs dialogs;
    WallClock clock;
    std::size_t outputsOpen = 0;
    std::vector<std::size_t> outputsWhenRun;
    {
        ProgramFolder folder;
        folder.write("Fzg.txt", {"HLF Süd 1\tHilfeleistung\t623B1234"});
        const std::string wav = folder.path() + "/funk.wav";
        ASSERT_EQ(run(QStringLiteral(KUBMON_EXE), {"gen", QString::fromStdString(wav), "right", "gap:500",
                                                     "fms:623B1234:3:0:1", "gap:1000"}),
                  0);
        ui::MainWindow w(folder.path(), clock);
        ASSERT_TRUE(w.captureDevice().isOpen());
        EXPECT_TRUE(dialogs.messages.empty());
        EXPECT_FALSE(w.settingsTab()->startButton()->isEnabled());
        EXPECT_TRUE(w.settingsTab()->stopButton()->isEnabled());
        EXPECT_FALSE(folder.exists("Mon.ini"));  // nothing saved behind the operator's back
        ASSERT_TRUE(waitFor([&] { return w.captureDevice().blocksDelivered() >= 3; }, 5000));
        ASSERT_EQ(run(QStringLiteral("paplay"), {"-d", "radio", QString::fromStdString(wav)}), 0);
        EXPECT_TRUE(waitFor([&] { return w.core().context.vehicles.vehicleTable[0].status == 3; }, 5000))
            << "nothing decoded from the start";
        // Closing while capturing: the sound backend runs the event loop as its source goes,
        // and what it delivers then must find the window whole, every output still there.
        outputsOpen = w.core().context.outputs.size();
        QTimer::singleShot(0, w.tables(), [&] { outputsWhenRun.push_back(w.core().context.outputs.size()); });
    }
    EXPECT_EQ(outputsWhenRun, std::vector<std::size_t>{outputsOpen});
    {
        ProgramFolder folder;
        std::vector<std::string> older(30, " 0 ");
        for (int line = 25; line <= 30; ++line) older[static_cast<std::size_t>(line - 1)] = " 1 ";
        folder.write("Mon.ini", older);
        ui::MainWindow w(folder.path(), clock);
        EXPECT_FALSE(w.captureDevice().isOpen());
        EXPECT_TRUE(w.settingsTab()->startButton()->isEnabled());
        EXPECT_FALSE(w.settingsTab()->captureAtStart()->box()->isChecked());
        for (int i = 0; i < 6; ++i) EXPECT_TRUE(w.settingsTab()->decoderSwitch(i)->isChecked());
        EXPECT_TRUE(dialogs.messages.empty());
    }
}

}  // namespace
}  // namespace kub::test
