#include "platform/monitor_session.h"

#include <QTimer>

#include "storage/alarm_settings.h"
#include "core/day_log_reload.h"
#include "storage/day_log.h"
#include "storage/vehicle_table.h"
#include "web/ftp_upload.h"
#include "web/status_page.h"
#include "web/status_page_input.h"

namespace kub {

namespace {
constexpr int kPassRetryMs = 50;
constexpr int kIncidentTickMs = 250;
}  // namespace

MonitorSession::MonitorSession(std::string programFolder, Clock& clock, ReceptionWindow& window,
                               NewestRows newestRows)
    : folder_(std::move(programFolder)), clock_(clock), window_(window), newestRows_(std::move(newestRows)),
      settings(defaultSettings()), core(clock, window),
      device(std::make_unique<CaptureDevice>(core.dispatcher)),
      dialUp(std::make_unique<NmcliDialUp>(processes)),
      exports(std::make_unique<ExportBindings>(settings, pause)),
      incidentTimer_(kIncidentTickMs, [this] {
          // Inside a block (an export lets the event loop run) the block's end does it.
          if (!core.dispatcher.processingGuard()) core.context.tick();
      }) {
    core.context.programFolder = folder_;
    core.dispatcher.setRequeue(device.get());
    // The folder is ours now (its lock is held): no upload of an earlier run is going on.
    if (!folder_.empty()) removeFtpScripts(folder_);
    Housekeeping::Hooks hooks;
    hooks.writeStatusPage = [this] {
        const bool ok = writeStatusPage();
        core.context.noteWrite("Statusseite", ok,
                               ok ? std::string() : "Statusseite nicht geschrieben: " + statusPagePath(folder_));
    };
    hooks.uploadStatusPage = [this] { uploadStatusPage(); };
    housekeeping_ = std::make_unique<Housekeeping>(window_, clock_, settings, core.context.pageChange,
                                                   std::move(hooks));
    incidentTimer_.start();
}

MonitorSession::~MonitorSession() {
    shutdown();
    core.dispatcher.setRequeue(nullptr);
}

void MonitorSession::startUp(const StartUpSteps& steps) {
    auto tell = [](const std::function<void()>& f) {
        if (f) f();
    };
    if (!createProgramFolders(folder_)) tell(steps.foldersMissing);
    loadSettings();
    const auto remarks = loadAlarmSettings();
    if (!remarks.empty() && steps.alarmRemarks) steps.alarmRemarks(remarks);
    applySettings();
    core.context.vehicles.applyLayout(settings.layout);
    tell(steps.settingsInForce);
    exports->startUp();
    tell(steps.exportsStarted);
    loadVehicles();
    tell(steps.vehiclesLoaded);
    loadReceivers();
    tell(steps.receiversLoaded);
    const auto rows = reloadDayLogs();
    if (steps.dayLogsReloaded) steps.dayLogsReloaded(rows);
}

void MonitorSession::loadSettings() {
    std::vector<std::string> remarks;
    settings = kub::loadSettings(folder_, &remarks);
    for (const auto& r : remarks) window_.messageBox(r, "KUB-Monitor");
}

void MonitorSession::applySettings() {
    core.applyDecoderSwitches(settings);
    exports->applyTo(core.context);
}

void MonitorSession::loadVehicles() {
    loadVehicleTable(folder_, core.context.vehicles);
    loadStatusFiles(folder_, core.context.vehicles);
}

void MonitorSession::loadReceivers() { core.context.receivers.load(folder_); }

std::vector<std::string> MonitorSession::loadAlarmSettings() {
    std::vector<std::string> remarks;
    core.context.incidents.configure(kub::loadAlarmSettings(folder_, remarks));
    return remarks;
}

std::array<int, 3> MonitorSession::reloadDayLogs() {
    return {reloadFmsLog(folder_, clock_, window_), reloadZveiLog(folder_, clock_, window_),
            reloadPocLog(folder_, clock_, window_)};
}

void MonitorSession::housekeepingPass() {
    if (core.dispatcher.processingGuard()) {
        if (!passWaiting_) {
            passWaiting_ = true;
            QTimer::singleShot(kPassRetryMs, &passTimerContext_, [this] {
                passWaiting_ = false;
                housekeepingPass();
            });
        }
        return;
    }
    housekeeping_->pass();
}

bool MonitorSession::writeStatusPage() {
    return kub::writeStatusPage(folder_,
                                statusPageInput(core.context.vehicles, settings, newestRows_(ReceptionTable::Zvei),
                                                newestRows_(ReceptionTable::Pocsag)),
                                clock_.now());
}

void MonitorSession::uploadStatusPage() {
    FtpUploadContext ftp{settings, folder_, clock_, window_, processes, pause, *dialUp, siblingProgram("kubmon"), {"ftp"}};
    kub::uploadStatusPage(ftp);
}

void MonitorSession::shutdown() {
    incidentTimer_.stop();
    device->release();
    exports->shutdown();
}

}  // namespace kub
