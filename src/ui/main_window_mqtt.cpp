// The window's MQTT site and reception watchdog: "MQTT.ini" at start-up and after every
// save, the link's news in the MQTT section, the watchdog's line in red before the tabs.
#include <QPalette>
#include <QTabWidget>
#include <QLabel>
#include <QTimer>
#include <algorithm>

#include "ui/dialog_service.h"
#include "ui/main_window.h"
#include "ui/reception_tables.h"
#include "ui/settings_mqtt.h"
#include "ui/settings_tab.h"

namespace kub::ui {

namespace {
constexpr int kMqttSection = 11;
constexpr int kPollMs = 100;
constexpr int kWatchdogMs = 1000;
}  // namespace

void MainWindow::buildMqtt() {
    mqttSection_ = new MqttSection(settingsTab_);
    settingsTab_->addSection(kMqttSection, mqttSection_);
    receptionFault_ = new QLabel(SSTab1);
    receptionFault_->setObjectName(QStringLiteral("receptionFault"));
    receptionFault_->hide();
    // The right corner is the demo's line.
    SSTab1->setCornerWidget(receptionFault_, Qt::TopLeftCorner);
    mqttTimer_ = new QTimer(this);
    mqttTimer_->setInterval(kPollMs);
    connect(mqttTimer_, &QTimer::timeout, this, [this] {
        if (mqttSite_) mqttSite_->poll();
    });
    watchdogTimer_ = new QTimer(this);
    watchdogTimer_->setInterval(kWatchdogMs);
    connect(watchdogTimer_, &QTimer::timeout, this, &MainWindow::watchdogTick);
}

void MainWindow::startMqtt() {
    const MqttSettings s = loadMqttSettings(folder_);
    mqttSection_->applyMqtt(s);
    runMqtt(s);
}

void MainWindow::runMqtt(const MqttSettings& s) {
    // The link starts anew only when something of it changed: every save of another
    // section would otherwise take the site off the broker for a moment.
    const bool relink = !mqttSite_ || !s.sameLink(mqtt_);
    stopWatchdog();
    if (relink) stopMqtt();
    mqtt_ = s;
    if (relink && mqtt_.on()) {
        mqttSection_->showState(QStringLiteral("Verbindung wird aufgebaut …"));
        mqttSite_ = std::make_unique<MqttSite>(core_.context, mqtt_, [this](const std::string& line) {
            mqttSection_->showState(QString::fromStdString(line));
        });
        mqttTimer_->start();
    } else if (!mqtt_.on()) {
        mqttSection_->showState(QStringLiteral("MQTT ist aus (kein Server eingetragen)."));
    }
    // The watchdog follows the decoder switches and its own settings at every save.
    std::vector<std::string> channels;
    if (settings_.fmsLeft == 1 || settings_.zveiLeft == 1 || settings_.pocsagLeft == 1) channels.push_back("left");
    if (settings_.fmsRight == 1 || settings_.zveiRight == 1 || settings_.pocsagRight == 1) channels.push_back("right");
    std::vector<ReceptionWatchdog::Watched> watched;
    for (const auto& n : mqtt_.watchedNames) watched.push_back({n.name, n.minutes});
    watchdog_ = std::make_unique<ReceptionWatchdog>(clock_, channels, mqtt_.silentChannelMinutes, watched);
    if (!watchdog_->empty()) {
        core_.context.outputs.push_back(watchdog_.get());
        watchdogTimer_->start();
    }
}

void MainWindow::stopWatchdog() {
    if (watchdogTimer_) watchdogTimer_->stop();
    auto& outs = core_.context.outputs;
    if (watchdog_) outs.erase(std::remove(outs.begin(), outs.end(), watchdog_.get()), outs.end());
    watchdog_.reset();
    quietLines_.clear();
    if (receptionFault_) receptionFault_->hide();
}

void MainWindow::stopMqtt() {
    if (mqttTimer_) mqttTimer_->stop();
    if (mqttSite_) mqttSite_->stop();
    mqttSite_.reset();
}

void MainWindow::saveMqttFromControls() {
    MqttSettings s = mqtt_;
    mqttSection_->takeMqtt(s);
    if (!saveMqttSettings(folder_, s)) {
        settingsTab_->markUnsaved();
        dialogs().message(this, QStringLiteral("Die MQTT-Einstellungen konnten nicht gespeichert werden (MQTT.ini) !"),
                          QStringLiteral("Achtung:"), DialogIcon::Warning);
    }
    // In force for this run even when the file could not be written.
    runMqtt(s);
}

void MainWindow::watchdogTick() {
    if (!watchdog_) return;
    const auto events = watchdog_->check();
    if (events.empty()) return;
    for (const auto& e : events) {
        if (mqttSite_) mqttSite_->publishReceptionState(watchdog_->stateJson(e));
        std::erase_if(quietLines_, [&](const auto& q) { return q.first == e.subject; });
        if (e.silent) quietLines_.emplace_back(e.subject, e.message);
    }
    // Red while anything is quiet (the newest quiet line); when all is heard again, the
    // line that says so in the normal colour.
    const bool quiet = !quietLines_.empty();
    QPalette p = receptionFault_->palette();
    p.setColor(QPalette::WindowText, quiet ? QColor(Qt::red) : palette().color(QPalette::WindowText));
    receptionFault_->setPalette(p);
    QString text = QString::fromStdString(quiet ? quietLines_.back().second : events.back().message);
    if (quietLines_.size() > 1) text += QStringLiteral(" (und %1 weitere)").arg(quietLines_.size() - 1);
    receptionFault_->setText(text);
    receptionFault_->show();
}

QString MainWindow::receptionFault() const {
    return receptionFault_ && !receptionFault_->isHidden() ? receptionFault_->text() : QString();
}

void MainWindow::setTableRowSite(ReceptionTable t, int row, const std::string& site) {
    tables_->setRowSite(t, row, QString::fromStdString(site));
}

void MainWindow::setTableRowSites(ReceptionTable t, const std::string& rowText, const std::string& sites) {
    tables_->setRowSites(t, rowText, QString::fromStdString(sites));
}

}  // namespace kub::ui
