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
}  // namespace

void MainWindow::buildMqtt() {
    mqttSection_ = new MqttSection(settingsTab_);
    settingsTab_->addSection(kMqttSection, mqttSection_);
    receptionFault_ = new QLabel(SSTab1);
    receptionFault_->setObjectName(QStringLiteral("receptionFault"));
    receptionFault_->hide();
    // The right corner is the demo's line.
    SSTab1->setCornerWidget(receptionFault_, Qt::TopLeftCorner);
}

void MainWindow::startMqtt() {
    const MqttSettings s = loadMqttSettings(folder_);
    mqttSection_->applyMqtt(s);
    runMqtt(s);
}

void MainWindow::runMqtt(const MqttSettings& s) {
    const bool relink = !wiring_.mqttSite() || !s.sameLink(mqtt_);
    if (relink && s.on()) mqttSection_->showState(QStringLiteral("Verbindung wird aufgebaut …"));
    if (!s.on()) mqttSection_->showState(QStringLiteral("MQTT ist aus (kein Server eingetragen)."));
    mqtt_ = s;
    // A new watchdog: nothing is quiet yet.
    stopWatchdog();
    wiring_.runMqtt(mqtt_, settings_);
}

void MainWindow::showMqttNews(const std::string& line) { mqttSection_->showState(QString::fromStdString(line)); }

void MainWindow::stopWatchdog() {
    wiring_.stopWatchdog();
    quietLines_.clear();
    if (receptionFault_) receptionFault_->hide();
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

void MainWindow::showWatchdogNews(const std::vector<WatchdogEvent>& events) {
    for (const auto& e : events) {
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
