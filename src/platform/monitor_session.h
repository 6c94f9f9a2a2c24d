#pragma once
// One monitor running on a program folder, apart from its window: the settings, the
// decoder core, the sound card, the exports, and the housekeeping pass with the status
// page and its upload. The main window and the headless monitor ("kubmon run") each own
// one, drive its start-up steps in their own order and show its receptions their way.

#include <QObject>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/clock.h"
#include "core/monitor_core.h"
#include "core/reception_window.h"
#include "platform/capture_device.h"
#include "platform/export_bindings.h"
#include "platform/qt_event_pause.h"
#include "platform/qt_process_runner.h"
#include "platform/repeating_timer.h"
#include "storage/settings.h"
#include "web/dial_up.h"
#include "web/housekeeping.h"

namespace kub {

// The caller's share of each start-up step (the window's controls, the headless
// monitor's lines); any may be left empty.
struct StartUpSteps {
    // "Status"/"Logbuch" could not be made in the program folder.
    std::function<void()> foldersMissing;
    // What is wrong in "Alarmierung.toml" (the defaults hold for it), German lines.
    std::function<void(const std::vector<std::string>&)> alarmRemarks;
    // "Mon.ini" is read and in force: decoders, improvements, board layout.
    std::function<void()> settingsInForce;
    // The exports run (the TCP connection monitor when it is on).
    std::function<void()> exportsStarted;
    // The vehicle table and every status are loaded, then the receivers.
    std::function<void()> vehiclesLoaded;
    std::function<void()> receiversLoaded;
    // Today's day logs are back in the tables: rows of FMS, ZVEI, POCSAG.
    std::function<void(const std::array<int, 3>&)> dayLogsReloaded;
};

class MonitorSession {
public:
    // The newest rows of a reception table, newest first, for the status page.
    using NewestRows = std::function<std::vector<std::string>(ReceptionTable)>;

    MonitorSession(std::string programFolder, Clock& clock, ReceptionWindow& window, NewestRows newestRows);
    ~MonitorSession();
    MonitorSession(const MonitorSession&) = delete;
    MonitorSession& operator=(const MonitorSession&) = delete;

    // The start-up every monitor goes through, the window and "kubmon run" alike, in
    // this order: the folders, "Mon.ini", "Alarmierung.toml", the settings in force, the
    // exports, the vehicles, the receivers, today's day logs. The web board, MQTT and the
    // watchdog follow (MonitorWiring), then the audio.
    void startUp(const StartUpSteps& steps);

    // The single steps, each with errors ignored (a missing file leaves its part empty).
    // "Mon.ini" of the folder; the defaults when there is none.
    void loadSettings();
    // Decoder switches, decoding improvements and exports of the settings in force.
    void applySettings();
    // The vehicle table from "Fzg.txt" and the status file of every slot.
    void loadVehicles();
    // "ZVEI.txt" and "ZVEI_FMS_Zuord.txt".
    void loadReceivers();
    // "Alarmierung.toml" for the incidents; what is wrong in it, in German with line and
    // column, for the caller to show (the defaults hold for what is wrong).
    std::vector<std::string> loadAlarmSettings();
    // Today's logs into the tables; the number of rows per kind (FMS, ZVEI, POCSAG).
    std::array<int, 3> reloadDayLogs();

    // One housekeeping pass (alert lists age, status page and upload when changed). Due
    // while a block is being handled (an export pause lets the timer in), it waits until
    // that block is done: an upload inside the handling would hold up the decoding for as
    // long as it takes.
    void housekeepingPass();
    // "status.html" from the vehicle table, the settings and the newest rows; false when
    // it could not be written.
    bool writeStatusPage();
    // The page to the web server (over the dial-up connection when so configured).
    void uploadStatusPage();
    // Capture stopped and its sound source gone, TCP export closed; nothing is written.
    void shutdown();

    const std::string& programFolder() const { return folder_; }
    ReceptionWindow& window() { return window_; }

private:
    std::string folder_;
    Clock& clock_;
    ReceptionWindow& window_;
    NewestRows newestRows_;

public:
    Settings settings;
    MonitorCore core;
    std::unique_ptr<CaptureDevice> device;
    QtEventPause pause;
    QtProcessRunner processes;
    std::unique_ptr<DialUp> dialUp;
    std::unique_ptr<ExportBindings> exports;

private:
    std::unique_ptr<Housekeeping> housekeeping_;
    QObject passTimerContext_;
    bool passWaiting_ = false;
    // Incidents are handed on after each block too; this covers the time without audio.
    RepeatingTimer incidentTimer_;
};

}  // namespace kub
