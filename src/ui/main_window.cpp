#include "ui/main_window.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QGuiApplication>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "common/time_text.h"
#include "core/handling/fms_handling.h"
#include "platform/capture_device.h"
#include "platform/web_view_server.h"
#include "storage/text_file.h"
#include "storage/vehicle_table.h"
#include "ui/alert_lists.h"
#include "ui/board_model.h"
#include "ui/capture_control.h"
#include "alarm/alarm_start.h"
#include "ui/capture_stopped_line.h"
#include "ui/colours.h"
#include "ui/dialog_service.h"
#include "ui/reception_tables.h"
#include "ui/replay_control.h"
#include "ui/settings_tab.h"
#include "ui/settings_web.h"
#include "ui/status_board.h"
#include "ui/tile_widget.h"
#include "web/ftp_upload.h"
#include "web/status_page.h"
#include "web/status_page_input.h"

namespace kub::ui {

namespace {

constexpr int kTabLeft = 120;
constexpr int kTabTop = 120;
constexpr int kMeterMax = 32760;
// The bars show decibels below full scale, in tenths, from -60 dB (empty) to 0 dB (full):
// on a straight scale the mean of a clean signal sits at a sliver beside its peak and a
// quiet receiver shows nothing at all, so the bar that matters seemed never to move.
constexpr int kMeterFloorDb = 60;
constexpr int kMeterScale = kMeterFloorDb * 10;

int meterScale(int value) {
    if (value <= 0) return 0;
    const double db = 20.0 * std::log10(std::min(value, kMeterMax) / double(kMeterMax));
    return std::clamp(static_cast<int>(std::lround(10.0 * (db + kMeterFloorDb))), 0, kMeterScale);
}
constexpr int kHousekeepingMs = 60000;

double screenDpi() {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->logicalDotsPerInch() : 96.0;
}

}  // namespace

MainWindow::MainWindow(std::string programFolder, Clock& clock, QWidget* parent)
    : QWidget(parent), folder_(std::move(programFolder)), clock_(clock), twips_(screenDpi()),
      session_(folder_, clock, *this, [this](ReceptionTable t) { return tables_->rowTexts(t); }),
      wiring_(session_, {[this](const std::string& line) { showMqttNews(line); },
                         [this](const std::vector<WatchdogEvent>& events) { showWatchdogNews(events); }}) {
    setWindowTitle(QStringLiteral("KUB-Monitor"));
    build();
    startUp();
}

MainWindow::~MainWindow() {
    // Destroying the sound source runs the event loop; the window and the monitor behind
    // it must be whole then, not half gone as they are once the members go.
    device_->release();
    // What is still open goes out as an incident while every output is there.
    wiring_.stop();
    stopHistory();
    session_.shutdown();
}

void MainWindow::build() {
    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    listPage_ = new QWidget;
    tables_ = new ReceptionTables(twips_, listPage_);
    boardPage_ = new QWidget;
    board_ = new StatusBoard(core_.context.vehicles, settings_, twips_, boardPage_);
    settingsTab_ = new SettingsTab(twips_, nullptr);
    SSTab1->addTab(listPage_, QStringLiteral("Listenansicht"));
    SSTab1->addTab(boardPage_, QStringLiteral("Fahrzeugansicht"));
    SSTab1->addTab(settingsTab_, QStringLiteral("Einstellungen"));
    connect(SSTab1, &QTabWidget::currentChanged, this, &MainWindow::onTabChanged);

    bottomFrame_ = new QFrame(this);
    bottomFrame_->setObjectName(QStringLiteral("bottomFrame"));
    auto* row = new QHBoxLayout(bottomFrame_);
    row->setContentsMargins(0, 0, 0, 0);
    alerts_ = new AlertLists(twips_, bottomFrame_);
    row->addWidget(alerts_, 1);
    auto* meters = new QGridLayout;
    meters->setVerticalSpacing(1);
    // Two bars a channel, each saying what it measures: a receiver turned down shows in
    // the mean, one that overdrives the card in the peak.
    static const std::array<const char*, 2> kinds = {"Mittel", "Spitze"};
    static const std::array<const char*, 2> sides = {"links", "rechts"};
    for (int kind = 0; kind < 2; ++kind)
        meters->addWidget(new QLabel(QString::fromUtf8(kinds[static_cast<std::size_t>(kind)]), bottomFrame_), 0,
                          kind + 1, Qt::AlignCenter);
    for (int ch = 0; ch < 2; ++ch) {
        const QString side = QString::fromUtf8(sides[static_cast<std::size_t>(ch)]);
        auto* label = new QLabel(ch == 0 ? QStringLiteral("L") : QStringLiteral("R"), bottomFrame_);
        label->setToolTip(QStringLiteral("Eingangspegel des %1 Kanals").arg(ch == 0 ? QStringLiteral("linken")
                                                                                      : QStringLiteral("rechten")));
        meters->addWidget(label, ch + 1, 0);
        for (int kind = 0; kind < 2; ++kind) {
            auto* bar = new QProgressBar(bottomFrame_);
            bar->setObjectName(QStringLiteral("ProgressBar%1_%2").arg(kind + 1).arg(ch));
            bar->setRange(0, kMeterScale);
            bar->setValue(0);
            bar->setTextVisible(false);
            bar->setFixedWidth(twips_.px(1500));
            bar->setFixedHeight(twips_.px(180));
            bar->setToolTip(kind == 0 ? QStringLiteral("Mittlerer Pegel, Kanal %1: Durchschnitt der Lautstärke über "
                                                       "46 ms, von −60 dB (leer) bis Vollaussteuerung (voll). Bleibt "
                                                       "er bei Funkverkehr unter der Hälfte, ist der Empfänger zu "
                                                       "leise eingestellt.")
                                              .arg(side)
                                        : QStringLiteral("Spitzenpegel, Kanal %1: lautester Wert in 46 ms, von −60 dB "
                                                         "(leer) bis Vollaussteuerung (voll). Steht er am rechten "
                                                         "Ende, übersteuert der Eingang – Empfänger leiser stellen.")
                                              .arg(side));
            meters->addWidget(bar, ch + 1, kind + 1);
            (kind == 0 ? ProgressBar1 : ProgressBar2)[static_cast<std::size_t>(ch)] = bar;
        }
    }
    row->addLayout(meters);
    // A file that could not be written is said here, not in a box: a box would hold up the
    // decoding behind it while nobody is at the desk.
    writeFailure_ = new QLabel(this);
    writeFailure_->setObjectName(QStringLiteral("writeFailure"));
    QPalette warn = writeFailure_->palette();
    warn.setColor(QPalette::WindowText, Qt::red);
    writeFailure_->setPalette(warn);
    writeFailure_->hide();
    core_.context.reportWriteFailure = [this](const std::string& message) {
        writeFailure_->setText(QString::fromStdString(message));
        writeFailure_->show();
    };
    core_.context.reportWriteRecovered = [this] { writeFailure_->hide(); };
    // An export that cannot keep up says so once, in the same red line.
    exports_->onDropping = [this](const std::string& message) {
        writeFailure_->setText(QString::fromStdString(message));
        writeFailure_->show();
    };

    deviceFault_ = new QLabel(this);
    deviceFault_->setObjectName(QStringLiteral("deviceFault"));
    deviceFault_->setPalette(warn);
    deviceFault_->hide();
    capture_ = new CaptureControl(
        *device_, settingsTab_->startButton(), settingsTab_->stopButton(), settingsTab_->deviceBox(),
        [this] { return int(settings_.deviceIndex); }, this, [this](const QString& text) {
            deviceFault_->setText(text);
            deviceFault_->setVisible(!text.isEmpty());
        });
    replay_ = new ReplayControl(core_.dispatcher, *device_, *capture_, settingsTab_->startButton(), this);
    // Beside the tab row, so it is seen on every tab.
    besideTabs_ = new QWidget(SSTab1);
    auto* strip = new QHBoxLayout(besideTabs_);
    strip->setContentsMargins(0, 0, 0, 0);
    captureStopped_ = new CaptureStoppedLine(settingsTab_->startButton(), besideTabs_);
    strip->addWidget(captureStopped_);
    SSTab1->setCornerWidget(besideTabs_, Qt::TopRightCorner);
    connect(settingsTab_, &SettingsTab::saveRequested, this, &MainWindow::saveSettingsFromControls);
    connect(settingsTab_, &SettingsTab::statusForAll, this, &MainWindow::setStatusForAll);
    buildSettingsSections();
    buildMqtt();
    buildIncidents();

    housekeeping_ = new QTimer(this);
    housekeeping_->setInterval(kHousekeepingMs);
    connect(housekeeping_, &QTimer::timeout, this, &MainWindow::housekeepingPass);

    resize(twips_.px(16000), twips_.px(12000));
}

// ---- the reception handling's view of the window ----

int MainWindow::tableRowCount(ReceptionTable t) const { return tables_->rowCount(t); }

void MainWindow::setTableRowCount(ReceptionTable t, int rows) { tables_->setRowCount(t, rows); }

void MainWindow::insertTableRow(ReceptionTable t, const std::string& row) { tables_->insertRow(t, row); }

void MainWindow::setTableCellColour(ReceptionTable t, int row, int column, std::uint32_t colour) {
    tables_->setCellColour(t, row, column, colourFromValue(colour, palette()));
}

int MainWindow::alertLineCount(AlertList l) const { return alerts_->list(l)->count(); }

void MainWindow::clearAlertList(AlertList l) { alerts_->list(l)->clear(); }

void MainWindow::appendAlertLine(AlertList l, const std::string& line) {
    auto* item = new QListWidgetItem(QString::fromStdString(line));
    item->setToolTip(alertSubjectName(line));
    alerts_->list(l)->addItem(item);
}

QString MainWindow::alertSubjectName(const std::string& line) const {
    // "HH:MM:SS subject        \tdate": the subject is a Kennung, or "Tonruf …".
    const std::size_t start = line.find(' ');
    const std::size_t end = line.find("  ", start == std::string::npos ? 0 : start + 1);
    if (start == std::string::npos || end == std::string::npos) return {};
    const std::string subject = line.substr(start + 1, end - start - 1);
    const int slot = fmsVehicleSlot(core_.context.vehicles, subject, 0);  // status 0: any slot
    if (slot < 0) return QString::fromStdString(subject);
    const std::string& name = core_.context.vehicles.vehicleTable[static_cast<std::size_t>(slot)].rufname;
    return QString::fromStdString(name.empty() ? subject : name);
}

void MainWindow::selectAlertLine(AlertList l, int index) {
    // Brought into view, not selected: a selected entry goes with one click, and a new
    // alarm must not be acknowledged by a click meant to select it.
    AlertListWidget* list = alerts_->list(l);
    if (QListWidgetItem* item = list->item(index)) list->scrollToItem(item);
}

void MainWindow::setAlertListColour(AlertList l, std::uint32_t colour) {
    alerts_->list(l)->setBackgroundValue(static_cast<std::int32_t>(colour));
}

void MainWindow::update_label() { board_->update_label(); }

void MainWindow::update_labelx(std::int16_t& tile) { board_->update_labelx(tile); }

void MainWindow::setMeters(int meanLeft, int peakLeft, int meanRight, int peakRight) {
    ProgressBar1[0]->setValue(meterScale(meanLeft));
    ProgressBar2[0]->setValue(meterScale(peakLeft));
    ProgressBar1[1]->setValue(meterScale(meanRight));
    ProgressBar2[1]->setValue(meterScale(peakRight));
}



std::string MainWindow::alertLine(AlertList l, int index) const {
    const QListWidgetItem* item = alerts_->list(l)->item(index);
    return item ? item->text().toStdString() : std::string();
}

void MainWindow::removeAlertLine(AlertList l, int index) {
    AlertListWidget* list = alerts_->list(l);
    if (index >= 0 && index < list->count()) delete list->takeItem(index);
}

void MainWindow::messageBox(const std::string& text, const std::string& title) {
    // These come from start-up and the timers (settings read, upload): nobody need be
    // there to answer them.
    dialogs().notify(this, QString::fromStdString(text), QString::fromStdString(title), DialogIcon::None);
}

QString MainWindow::writeFailure() const {
    return writeFailure_->isHidden() ? QString() : writeFailure_->text();
}

void MainWindow::showBesideTabs(QWidget* line) {
    static_cast<QHBoxLayout*>(besideTabs_->layout())->insertWidget(0, line);
    line->show();
}

QString MainWindow::deviceFault() const { return deviceFault_->isHidden() ? QString() : deviceFault_->text(); }

// ---- operator actions ----

void MainWindow::housekeepingPass() {
    session_.housekeepingPass();
    sayRefusedFiles();
}

void MainWindow::sayRefusedFiles() {
    const std::vector<std::string> refused = takeRefusedFiles();
    if (refused.empty()) return;
    QStringList lines;
    for (const auto& r : refused) lines << QString::fromStdString(r);
    writeFailure_->setText(lines.join(QLatin1Char('\n')));
    writeFailure_->show();
}

void MainWindow::saveSettingsFromControls() {
    // The chosen card is opened anew; a monitor that was capturing goes on capturing
    // with the saved settings, as nobody expects a colour change to stop the decoding.
    const bool wasCapturing = capture_->running();
    if (!settingsTab_->startButton()->isEnabled()) capture_->stop();
    settingsTab_->clearUnsaved();
    const BoardLayout layoutBefore = settings_.layout;
    const Settings before = settings_;
    settingsTab_->takeSettings(settings_);
    if (!saveSettings(folder_, settings_)) {
        // The values are in force for this run; the button stays red so nobody takes
        // them for saved.
        settingsTab_->markUnsaved();
        dialogs().message(this, QStringLiteral("Die Einstellungen konnten nicht gespeichert werden (Mon.ini) !"),
                          QStringLiteral("Achtung:"), DialogIcon::Warning);
    }
    if (settings_.layout != layoutBefore) {
        applyLayout();
        layOut();
        reloadVehicles();
    }
    applyDecoderSwitches();
    update_label();
    // The connection monitor runs exactly when the TCP export is on. The receiving
    // program sees a new connection only when where or whether to connect changed.
    if (!sameTcpTarget(before, settings_)) exports_->startUp();
    const WebSettings web = webSection_->webSettings();
    if (web != webSettings_ || (web.on() && !wiring_.web())) {
        webSettings_ = web;
        if (!saveWebSettings(folder_, webSettings_)) {
            settingsTab_->markUnsaved();
            dialogs().message(this, QStringLiteral("Die Web-Ansicht konnte nicht gespeichert werden (Web.ini) !"),
                              QStringLiteral("Achtung:"), DialogIcon::Warning);
        }
        startWebView();
    }
    saveMqttFromControls();
    if (wasCapturing && !capture_->running()) capture_->start();
}

void MainWindow::setStatusForAll(int status) {
    const int failed = ui::setStatusForAll(core_.context.vehicles, static_cast<std::int16_t>(status), folder_,
                                           statusTimeText(clock_.now()));
    // The status page shows the board; it follows at the next housekeeping pass.
    core_.context.markPageChanged();
    update_label();
    if (failed > 0)
        dialogs().message(this, QStringLiteral("%1 Statusdateien konnten nicht geschrieben werden !").arg(failed),
                          QStringLiteral("Achtung:"), DialogIcon::Warning);
}

// ---- settings in force ----

void MainWindow::applyDecoderSwitches() {
    session_.applySettings();
    const bool z = settings_.zveiLeft || settings_.zveiRight;
    const bool p = settings_.pocsagLeft || settings_.pocsagRight;
    tables_->arrange(z, p);
}

void MainWindow::applyLayout() {
    core_.context.vehicles.applyLayout(settings_.layout);
    board_->setLayout(settings_.layout);
    settingsTab_->setSlotTotal(core_.context.vehicles.vehicleCount);
}

void MainWindow::reloadVehicles() {
    session_.loadVehicles();
}

// ---- layout ----

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layOut();
}

void MainWindow::layOut() {
    const int w = twips_.twips(width());
    const int h = twips_.twips(height());
    const int tabWidth = std::max(3000, w - kTabLeft - 300);
    const int banner = incidentBannerHeight();
    const int tabHeight = std::max(3000, h - kTabTop - 1200 - banner);
    SSTab1->setGeometry(twips_.px(kTabLeft), twips_.px(kTabTop + banner), twips_.px(tabWidth), twips_.px(tabHeight));
    placeIncidentBanner(kTabLeft, kTabTop, tabWidth);
    bottomFrame_->setGeometry(twips_.px(kTabLeft), twips_.px(kTabTop + banner + tabHeight + 50), twips_.px(tabWidth),
                              twips_.px(900));
    // Both fault lines share the row under the buttons: files on the left, sound card on the right.
    writeFailure_->setGeometry(twips_.px(kTabLeft), twips_.px(kTabTop + banner + tabHeight + 960), twips_.px(tabWidth / 2),
                               twips_.px(220));
    deviceFault_->setGeometry(twips_.px(kTabLeft + tabWidth / 2), twips_.px(kTabTop + banner + tabHeight + 960),
                              twips_.px(tabWidth - tabWidth / 2), twips_.px(220));
    tables_->setGeometry(0, 0, twips_.px(tabWidth), twips_.px(tabHeight));
    tables_->setInnerWidth(w);
    // The page under the tab row; the board fills it below the station bar.
    const int pageHeight = twips_.twips(SSTab1->height() - SSTab1->tabBar()->height());
    board_->setGeometry(0, 0, twips_.px(tabWidth), twips_.px(pageHeight));
    const int stationBarHeight = 3 * 375;
    board_->arrange(std::max(1500, w - 650), std::max(1500, pageHeight - stationBarHeight - 60 - 100 - 100));
}

void MainWindow::onTabChanged(int index) {
    // The board and its station bar belong to the board tab alone.
    board_->stationBar()->setVisible(index == 1);
    board_->boardArea()->setVisible(index == 1);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (device_->isOpen()) device_->stopCapture();
    housekeeping_->stop();
    stopWatchdog();
    wiring_.stopMqtt();
    exports_->shutdown();
    event->accept();
}

}  // namespace kub::ui
