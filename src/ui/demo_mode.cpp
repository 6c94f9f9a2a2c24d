#include "ui/demo_mode.h"

#include <QLabel>
#include <QTabWidget>

#include "ui/main_window.h"
#include "ui/replay_control.h"

namespace kub::ui {

namespace {
const QString kDemoText =
    QStringLiteral("DEMO: erfundener Landkreis, Funk aus einer Aufzeichnung – Beenden: Fenster schließen");
}  // namespace

DemoMode::DemoMode(MainWindow& window, QString recording)
    : QObject(&window), window_(window), recording_(std::move(recording)) {
    line_ = new QLabel(kDemoText);
    line_->setObjectName(QStringLiteral("demoLine"));
    line_->setToolTip(QStringLiteral("Programmordner der Demo: %1\nAufzeichnung: %2\n"
                                     "Danach kub-monitor (oder scripts/run.sh) ohne --demo starten.")
                          .arg(QString::fromStdString(window.programFolder()), recording_));
    line_->setStyleSheet(
        QStringLiteral("QLabel { background: #fff3b0; color: #202020; font-weight: bold; padding: 0px 8px; }"));
    // Beside the tabs, so every tab shows it and nothing else has to make room.
    window.tabs()->setCornerWidget(line_, Qt::TopRightCorner);
    line_->show();
    // Once through, again from the start; an operator who stops the playing ends the loop.
    connect(window.replayControl(), &ReplayControl::finished, this, [this] { play(); });
}

bool DemoMode::play() {
    if (window_.replayControl()->play(recording_)) return true;
    line_->setText(QStringLiteral("DEMO: die Aufzeichnung fehlt oder ist nicht lesbar (%1).").arg(recording_));
    return false;
}

std::string demoFolder(const std::string& programFolder) { return programFolder + "/Demo"; }

}  // namespace kub::ui
