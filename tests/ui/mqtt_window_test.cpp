// The window as an MQTT site, on a real mosquitto: the "MQTT" section saved with
// "speichern" into "MQTT.ini" (readable by its owner only), the connection said in the
// section, and another site's reception in the FMS table with its site as tooltip.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>

#include "common/time_text.h"
#include "mqtt/mqtt_settings.h"
#include "storage/settings.h"
#include "support/mqtt_broker.h"
#include "support/run_process.h"
#include "ui/main_window.h"
#include "ui/reception_tables.h"
#include "ui/settings_mqtt.h"
#include "ui/settings_tab.h"
#include "ui_test_support.h"

namespace kub::test {
namespace {

TEST(MqttSection, SavedSettingsConnectAndAnotherSitesReceptionsAppear) {
    if (!kubtest::haveMosquitto()) GTEST_SKIP() << "mosquitto und mosquitto-clients fehlen";
    const std::string dir = kubtest::makeTempDir("kub-mqtt-ui");
    kubtest::TestBroker broker(dir);
    ASSERT_TRUE(broker.start());
    RecordingDialogs dialogs;
    ProgramFolder folder;
    WallClock clock;
    ui::MainWindow w(folder.path(), clock);
    ui::MqttSection* m = w.mqttSection();
    EXPECT_EQ(m->stateLabel()->text(), QStringLiteral("MQTT ist aus (kein Server eingetragen)."));

    QTest::keyClicks(m->serverBox(), QStringLiteral("127.0.0.1"));
    m->portBox()->clear();
    QTest::keyClicks(m->portBox(), QString::number(broker.port()));
    m->prefixBox()->clear();
    QTest::keyClicks(m->prefixBox(), QStringLiteral("leitstelle"));
    QTest::keyClicks(m->remoteBox(), QStringLiteral("wache2"));
    EXPECT_TRUE(w.findChild<ui::SettingsTab*>()->unsaved());
    QTest::mouseClick(w.findChild<ui::SettingsTab*>()->saveButton(), Qt::LeftButton);

    struct stat st {};
    ASSERT_EQ(stat((folder.path() + "/MQTT.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    const MqttSettings saved = loadMqttSettings(folder.path());
    EXPECT_EQ(saved.server, "127.0.0.1");
    EXPECT_EQ(saved.port, broker.port());
    EXPECT_EQ(saved.remotePrefixes, std::vector<std::string>{"wache2"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return m->stateLabel()->text().startsWith(QStringLiteral("MQTT verbunden")); },
                                10000))
        << m->stateLabel()->text().toStdString();

    // Of now: an older one is no longer news and is dropped.
    const std::string payload =
        "{\"time\":\"" + isoTimeText(std::floor(clock.nowSeconds())) + "\",\"channel\":\"left\",\"protocol\":\"fms\","
        "\"line\":\"##FMS#62341234#3#00#+\",\"kennung\":\"62341234\",\"status\":3,\"tki\":0,\"direction\":0,"
        "\"text\":\"\",\"vehicle\":\"\",\"info\":\"\"}";
    // The window's link subscribes before it says "online"; once that is on the broker, it hears.
    ASSERT_TRUE(kubtest::waitUntil([&] { return kubtest::retained(broker.port(), "leitstelle/online") == "1"; }, 20));
    ASSERT_EQ(kubtest::runProcess("/usr/bin/mosquitto_pub -h 127.0.0.1 -p " + std::to_string(broker.port()) +
                                  " -q 1 -t wache2/fms -m '" + payload + "'")
                  .exitCode,
              0);
    QTableWidget* fms = w.findChild<ui::ReceptionTables*>()->table(ReceptionTable::Fms);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fms->rowCount() == 1; }, 10000));
    EXPECT_EQ(fms->item(0, 2)->text(), QStringLiteral("62341234"));
    EXPECT_EQ(fms->item(0, 0)->toolTip(), QStringLiteral("Empfangen von wache2"));
    // Heard here as well: the row names both.
    const std::string row = w.findChild<ui::ReceptionTables*>()->rowText(ReceptionTable::Fms, 1);
    w.setTableRowSites(ReceptionTable::Fms, row, "wache2, leitstelle");
    EXPECT_EQ(fms->item(0, 0)->toolTip(), QStringLiteral("Empfangen von wache2, leitstelle"));
    kubtest::removeTree(dir);
}

TEST(ReceptionWatchdogLine, RedWhileAChannelIsQuietAndSaidAgainWhenItDecodes) {
    RecordingDialogs dialogs;
    ProgramFolder folder;
    Settings settings = defaultSettings();
    settings.fmsLeft = 1;
    ASSERT_TRUE(saveSettings(folder.path(), settings));
    MqttSettings m;
    m.silentChannelMinutes = 1;
    ASSERT_TRUE(saveMqttSettings(folder.path(), m));
    ManualClock clock(testEpoch());
    ui::MainWindow w(folder.path(), clock);
    EXPECT_TRUE(w.receptionFault().isEmpty());

    clock.advance(60);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.receptionFault().isEmpty(); }, 5000));
    EXPECT_EQ(w.receptionFault(), QStringLiteral("Empfangswächter: Kanal links seit 1 Minute nichts dekodiert."));
    auto* line = w.findChild<QLabel*>(QStringLiteral("receptionFault"));
    EXPECT_EQ(line->palette().color(QPalette::WindowText), QColor(Qt::red));

    ReceptionRecord r = w.core().context.newRecord(RecordProtocol::Fms, "left");
    w.core().context.handOn(r);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.receptionFault().contains(QStringLiteral("wieder")); }, 5000));
    EXPECT_EQ(w.receptionFault(), QStringLiteral("Empfangswächter: Kanal links dekodiert wieder."));
    EXPECT_NE(line->palette().color(QPalette::WindowText), QColor(Qt::red));
}

}  // namespace
}  // namespace kub::test
