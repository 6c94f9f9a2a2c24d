#pragma once
// The main window "KUB-Monitor": owns the decoder core and wires the tabs, the board,
// the tables, the alert lists, the settings tab and the capture together. It is the
// window the reception handling talks to.

#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "common/clock.h"
#include "core/monitor_core.h"
#include "core/reception_watchdog.h"
#include "history/history_keeper.h"
#include "mqtt/mqtt_settings.h"
#include "mqtt/mqtt_site.h"
#include "core/reception_window.h"
#include "platform/export_bindings.h"
#include "platform/monitor_session.h"
#include "platform/monitor_wiring.h"
#include "storage/settings.h"
#include "web/dial_up.h"
#include "web/housekeeping.h"
#include "storage/station_names.h"
#include "storage/web_settings.h"
#include "ui/twips.h"

class QProgressBar;
class QTabWidget;
class QTimer;
class QFrame;
class QLabel;

namespace kub {
class CaptureDevice;
}

namespace kub {
class WebViewServer;
class AlarmStart;
}

namespace kub::ui {

class ActionsSection;
class AlertLists;
class BoardEditor;
class CaptureControl;
class CaptureStoppedLine;
class ReplayControl;
class HtmlExportSection;
class IncidentBanner;
class IncidentTable;
class MqttSection;
class AlarmsSection;
class HistorySection;
class ReceiversSection;
class StatusColoursSection;
class TcpExportSection;
class VehicleImportSection;
class WindowMessageSection;
class WebViewSection;
class ReceptionTables;
class SettingsTab;
class StatusBoard;

class MainWindow : public QWidget, public ReceptionWindow {
    Q_OBJECT
public:
    // Starts up on `programFolder` (the folder lock is the caller's): folders, settings,
    // tables, layout, devices, vehicles, receivers, station names, board, today's logs.
    MainWindow(std::string programFolder, Clock& clock, QWidget* parent = nullptr);
    ~MainWindow() override;

    // ReceptionWindow
    int tableRowCount(ReceptionTable table) const override;
    void setTableRowCount(ReceptionTable table, int rows) override;
    void insertTableRow(ReceptionTable table, const std::string& row) override;
    void setTableCellColour(ReceptionTable table, int row, int column, std::uint32_t colour) override;
    void setTableRowSite(ReceptionTable table, int row, const std::string& site) override;
    void setTableRowSites(ReceptionTable table, const std::string& rowText, const std::string& sites) override;
    int alertLineCount(AlertList list) const override;
    void clearAlertList(AlertList list) override;
    void appendAlertLine(AlertList list, const std::string& line) override;
    void selectAlertLine(AlertList list, int index) override;
    void setAlertListColour(AlertList list, std::uint32_t colour) override;
    void update_label() override;
    void setMeters(int meanLeft, int peakLeft, int meanRight, int peakRight) override;
    std::string alertLine(AlertList list, int index) const override;
    void removeAlertLine(AlertList list, int index) override;
    void messageBox(const std::string& text, const std::string& title) override;
    void addUploadMessage(const std::string& text) override;
    int chooseDialUpEntry(const std::vector<std::string>& phoneBook) override;
    void showIncident(const IncidentSummary& incident) override;

    void update_labelx(std::int16_t& tile);

    // The pass the 60 s timer runs: alert entries age out; the status page follows the
    // board when its export is on and something changed.
    void housekeepingPass();
    ExportBindings& exports() { return *exports_; }
    // "speichern".
    void saveSettingsFromControls();
    // "Status für alle setzen".
    void setStatusForAll(int status);

    const std::string& programFolder() const { return folder_; }
    const Settings& settings() const { return settings_; }
    MonitorCore& core() { return core_; }
    QTabWidget* tabs() const { return SSTab1; }
    StatusBoard* board() const { return board_; }
    ReceptionTables* tables() const { return tables_; }
    // The newest incident above the tabs, and the "Einsätze" tab.
    IncidentBanner* incidentBanner() const { return incidentBanner_; }
    IncidentTable* incidentTable() const { return incidentTable_; }
    AlertLists* alertLists() const { return alerts_; }
    SettingsTab* settingsTab() const { return settingsTab_; }
    CaptureControl* captureControl() const { return capture_; }
    ReplayControl* replayControl() const { return replay_; }
    // The red line shown on every tab while capture is stopped.
    CaptureStoppedLine* captureStoppedLine() const { return captureStopped_; }
    // A line of its own beside the tab row, left of the red line (the demo's).
    void showBesideTabs(QWidget* line);
    CaptureDevice& captureDevice() const { return *device_; }
    QTimer* housekeepingTimer() const { return housekeeping_; }
    QProgressBar* meanMeter(int channel) const { return ProgressBar1[static_cast<std::size_t>(channel)]; }
    QProgressBar* peakMeter(int channel) const { return ProgressBar2[static_cast<std::size_t>(channel)]; }
    const StationNames& stationNames() const { return stationNames_; }
    BoardEditor* boardEditor() const { return boardEditor_; }
    ReceiversSection* receiversSection() const { return receiversSection_; }
    VehicleImportSection* importSection() const { return importSection_; }
    ActionsSection* actionsSection() const { return actionsSection_; }
    StatusColoursSection* coloursSection() const { return coloursSection_; }
    HtmlExportSection* htmlSection() const { return htmlSection_; }
    TcpExportSection* tcpSection() const { return tcpSection_; }
    WindowMessageSection* messageSection() const { return messageSection_; }
    WebViewSection* webSection() const { return webSection_; }
    // The live web board; null while it is off or refused.
    WebViewServer* webView() const { return wiring_.web(); }
    MqttSection* mqttSection() const { return mqttSection_; }
    MqttSite* mqttSite() const { return wiring_.mqttSite(); }
    // "Alarmierung": the alarm rules of "Alarmierung.toml" and their delivery.
    AlarmsSection* alarmsSection() const { return alarmsSection_; }
    HistorySection* historySection() const { return historySection_; }
    AlarmStart* alarms() const { return alarms_.get(); }
    // The reception watchdog's line; empty while all is heard.
    QString receptionFault() const;
    // "Html-Seite erzeugen" and "hochladen".
    bool writeStatusPageNow();
    void uploadStatusPageNow();
    // The last data file that could not be written, shown under the tabs until the next
    // one; empty while all is well.
    QString writeFailure() const;
    QString deviceFault() const;  // the sound-card line, empty when capture is fine

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    void buildSettingsSections();
    void startUp();
    // The sound cards into the settings tab; none: said in the red line. Their number.
    int listSoundCards();
    void notWritten(const QString& fileName);
    // Folder files that were not read (a link, a FIFO, too large) into the red line.
    void sayRefusedFiles();
    void applyDecoderSwitches();
    // The call name of the vehicle an alert entry is about (its tooltip).
    QString alertSubjectName(const std::string& line) const;
    void applyLayout();
    void reloadVehicles();
    // (Re)starts the live web board with the settings of "Web.ini" in force.
    void startWebView();
    void layOut();
    void onTabChanged(int index);
    // MQTT and the reception watchdog, by "MQTT.ini"; again after every save.
    void buildMqtt();
    void buildIncidents();
    void buildAlarms();
    // Twips the banner takes above the tabs; 0 while there is none.
    int incidentBannerHeight() const;
    void placeIncidentBanner(int leftTwips, int topTwips, int widthTwips);
    void startMqtt();
    // "Verlauf.sqlite" (or the PostgreSQL of "Verlauf.toml"): every reception kept.
    void startHistory();
    void stopHistory();
    void runMqtt(const MqttSettings& s);
    void stopWatchdog();
    void saveMqttFromControls();
    void showMqttNews(const std::string& line);
    void showWatchdogNews(const std::vector<WatchdogEvent>& events);

    std::string folder_;
    Clock& clock_;
    Twips twips_;
    // The monitor behind the window; the names below are the window's view of it.
    MonitorSession session_;
    Settings& settings_ = session_.settings;
    StationNames stationNames_{};
    MonitorCore& core_ = session_.core;
    std::unique_ptr<CaptureDevice>& device_ = session_.device;
    std::unique_ptr<ExportBindings>& exports_ = session_.exports;
    // The web board, MQTT and the watchdog, wired as "kubmon run" wires them.
    MonitorWiring wiring_;

    QTabWidget* SSTab1 = nullptr;
    QWidget* listPage_ = nullptr;
    QWidget* boardPage_ = nullptr;
    QFrame* bottomFrame_ = nullptr;
    ReceptionTables* tables_ = nullptr;
    StatusBoard* board_ = nullptr;
    SettingsTab* settingsTab_ = nullptr;
    AlertLists* alerts_ = nullptr;
    CaptureControl* capture_ = nullptr;
    ReplayControl* replay_ = nullptr;
    QTimer* housekeeping_ = nullptr;
    QLabel* writeFailure_ = nullptr;
    QLabel* deviceFault_ = nullptr;
    QWidget* besideTabs_ = nullptr;
    CaptureStoppedLine* captureStopped_ = nullptr;
    MqttSection* mqttSection_ = nullptr;
    IncidentBanner* incidentBanner_ = nullptr;
    IncidentTable* incidentTable_ = nullptr;
    MqttSettings mqtt_;
    QLabel* receptionFault_ = nullptr;
    // What the watchdog said of each subject that is quiet now, in the order it went quiet.
    std::vector<std::pair<std::string, std::string>> quietLines_;
    BoardEditor* boardEditor_ = nullptr;
    ReceiversSection* receiversSection_ = nullptr;
    VehicleImportSection* importSection_ = nullptr;
    ActionsSection* actionsSection_ = nullptr;
    StatusColoursSection* coloursSection_ = nullptr;
    HtmlExportSection* htmlSection_ = nullptr;
    TcpExportSection* tcpSection_ = nullptr;
    WindowMessageSection* messageSection_ = nullptr;
    WebViewSection* webSection_ = nullptr;
    WebSettings webSettings_;
    // Goes before the wiring, whose MQTT link its deliveries use.
    std::unique_ptr<AlarmStart> alarms_;
    AlarmsSection* alarmsSection_ = nullptr;
    HistorySection* historySection_ = nullptr;
    // Goes before the wiring too: it is an output of the context.
    std::unique_ptr<HistoryKeeper> history_;
    OutputRegistration historyOutput_;
    std::array<QProgressBar*, 2> ProgressBar1{};
    std::array<QProgressBar*, 2> ProgressBar2{};
};

}  // namespace kub::ui
