#include "ui/startup.h"

#include <QApplication>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include "storage/day_log.h"
#include "storage/settings.h"
#include "storage/station_names.h"
#include "storage/vehicle_table.h"
#include "ui/capture_control.h"
#include "ui/dialog_service.h"
#include "ui/main_window.h"
#include "ui/reception_tables.h"
#include "ui/settings_receivers.h"
#include "ui/settings_tab.h"
#include "ui/status_board.h"

namespace kub::ui {

// Start-up in its fixed order. The tab, section list, tiles, tables and station buttons
// exist already (built with the window); every step runs whatever the one before did.
void MainWindow::startUp() {
    settingsTab_->selectSection(0);
    createProgramFolders(folder_);

    session_.loadSettings();
    settingsTab_->applySettings(settings_);
    applyDecoderSwitches();
    applyLayout();
    exports_->startUp();
    capture_->listCaptureDevices(settings_.deviceIndex);
    reloadVehicles();
    session_.loadReceivers();
    receiversSection_->showReceivers();
    stationNames_ = loadStationNames(folder_);
    board_->setStationNames(stationNames_);
    layOut();
    update_label();
    onTabChanged(SSTab1->currentIndex());
    session_.reloadDayLogs();
    startMqtt();
    // Alert entries age out and the status page follows the board once a minute.
    housekeeping_->start();
}

std::unique_ptr<MainWindow> startMonitor(const std::string& programFolder, FolderLock& lock, Clock& clock) {
    if (lock.acquire(programFolder) == FolderLock::Result::HeldByOther) {
        dialogs().message(nullptr, QStringLiteral("Server läuft schon !"), QString(), DialogIcon::None);
        return nullptr;
    }
    return std::make_unique<MainWindow>(programFolder, clock);
}

int runMonitor(const std::string& programFolder) {
    FolderLock lock;
    WallClock clock;
    std::unique_ptr<MainWindow> window = startMonitor(programFolder, lock, clock);
    if (!window) return 1;
    window->show();
    return QApplication::exec();
}

}  // namespace kub::ui
