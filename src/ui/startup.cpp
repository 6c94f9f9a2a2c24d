#include "ui/startup.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>

#include "common/stderr_line.h"
#include "common/time_text.h"
#include "storage/day_log.h"
#include "storage/demo_district.h"
#include "storage/text_file.h"
#include "storage/settings.h"
#include "storage/station_names.h"
#include "storage/vehicle_table.h"
#include "ui/capture_control.h"
#include "ui/capture_stopped_line.h"
#include "ui/demo_mode.h"
#include "ui/dialog_service.h"
#include "ui/main_window.h"
#include "ui/reception_tables.h"
#include "ui/settings_receivers.h"
#include "ui/settings_tab.h"
#include "ui/settings_web.h"
#include "ui/status_board.h"

namespace kub::ui {

// Start-up on the path every monitor takes (MonitorSession::startUp), each step shown in
// the window. The tab, section list, tiles, tables and station buttons exist already
// (built with the window); every step runs whatever the one before did.
void MainWindow::startUp() {
    settingsTab_->selectSection(0);
    int devices = 0;
    StartUpSteps steps;
    // Said in the red line, not in a box; the monitor goes on with the defaults.
    steps.alarmRemarks = [this](const std::vector<std::string>& remarks) {
        writeFailure_->setText(QString::fromStdString(remarks.front()));
        writeFailure_->show();
    };
    steps.settingsInForce = [this] {
        settingsTab_->applySettings(settings_);
        applyDecoderSwitches();
        applyLayout();
    };
    steps.exportsStarted = [this, &devices] { devices = listSoundCards(); };
    steps.receiversLoaded = [this] {
        receiversSection_->showReceivers();
        stationNames_ = loadStationNames(folder_);
        board_->setStationNames(stationNames_);
        layOut();
        update_label();
        onTabChanged(SSTab1->currentIndex());
    };
    session_.startUp(steps);
    buildAlarms();
    startHistory();
    webSettings_ = loadWebSettings(folder_);
    webSection_->applyWeb(webSettings_);
    startWebView();
    startMqtt();
    // Alert entries age out and the status page follows the board once a minute.
    housekeeping_->start();
    // A monitor that comes back after a power cut decodes again without anyone at the
    // desk. With no device at all the red line has said so already.
    if (settings_.captureAtStart && devices > 0) capture_->start();
    sayRefusedFiles();
}

int MainWindow::listSoundCards() {
    const int devices = capture_->listCaptureDevices(settings_.deviceIndex);
    // Said in the red line beside the tabs, not in a box: a box here would hold up the
    // start-up, and with it the demo and a capture at start, until someone clicks it away.
    if (devices == 0)
        captureStopped_->setReason(
            QStringLiteral("Keine Soundkarte (Input-Device)! Soundkarte anschließen, KUB-Monitor neu starten"),
            QStringLiteral("Es wird nichts dekodiert. Den Empfänger an den Eingang einer Soundkarte anschließen "
                           "und den Soundserver (PulseAudio oder PipeWire) laufen lassen; die Soundkarten werden "
                           "beim Start des Programms gesucht.\nOhne Soundkarte: Einstellungen → Soundkarte → "
                           "„Aufzeichnung abspielen…“."));
    return devices;
}

std::unique_ptr<MainWindow> startMonitor(const std::string& programFolder, FolderLock& lock, Clock& clock) {
    if (lock.acquire(programFolder) == FolderLock::Result::HeldByOther) {
        dialogs().message(nullptr, QStringLiteral("Server läuft schon !"), QString(), DialogIcon::None);
        return nullptr;
    }
    return std::make_unique<MainWindow>(programFolder, clock);
}

int runMonitor(const std::string& programFolder, const std::string& demoRecording) {
    FolderLock lock;
    WallClock clock;
    const bool demo = !demoRecording.empty();
    const std::string folder = demo ? demoFolder(programFolder) : programFolder;
    if (demo && !fileExists(settingsPath(folder)) &&
        !writeDemoDistrict(folder, statusTimeText(clock.now())))
        writeStderrLine("kub-monitor", "Demo-Ordner " + folder + " nicht vollständig geschrieben");
    std::unique_ptr<MainWindow> window = startMonitor(folder, lock, clock);
    if (!window) return 1;
    window->show();
    if (demo) {
        auto* mode = new DemoMode(*window, QString::fromStdString(demoRecording));
        QTimer::singleShot(0, mode, [mode] { mode->play(); });
    }
    return QApplication::exec();
}

}  // namespace kub::ui
