#include "ui/capture_control.h"

#include <QComboBox>
#include <QPushButton>

#include "platform/capture_device.h"
#include "ui/colours.h"
#include "ui/dialog_service.h"
#include "ui/settings_tab.h"

namespace kub::ui {

namespace {
constexpr int kRetryMs = 2000;
constexpr int kFirstRetryMs = 200;
}  // namespace

CaptureControl::CaptureControl(CaptureDevice& device, QPushButton* start, QPushButton* stop,
                               QComboBox* devices, std::function<int()> deviceId, QWidget* dialogParent,
                               std::function<void(const QString&)> tellFault)
    : QObject(start), device_(device), start_(start), stop_(stop), devices_(devices),
      deviceId_(std::move(deviceId)), dialogParent_(dialogParent), tellFault_(std::move(tellFault)) {
    retry_.setInterval(kRetryMs);
    retry_.setParent(this);
    retry_.setObjectName(QStringLiteral("captureRetry"));  // tests wait for its tries
    connect(&retry_, &QTimer::timeout, this, &CaptureControl::tryReopen);
    connect(start_, &QPushButton::clicked, this, &CaptureControl::start);
    connect(stop_, &QPushButton::clicked, this, &CaptureControl::stop);
    connect(&device_, &CaptureDevice::deviceLost, this, &CaptureControl::onDeviceLost);
    showClosed();
}

int CaptureControl::listCaptureDevices(int selected) {
    devices_->clear();
    for (const std::string& name : CaptureDevice::listCaptureDevices())
        devices_->addItem(QString::fromStdString(name));
    devices_->setCurrentIndex(selected >= 0 && selected < devices_->count() ? selected : -1);
    return devices_->count();
}

bool CaptureControl::running() const { return device_.isOpen() || retry_.isActive(); }

void CaptureControl::start() {
    showRunning();
    const int id = deviceId_();
    if (id < 0) {
        dialogs().notify(dialogParent_, QStringLiteral("Es wurde noch keine Soundkarte selektiert"),
                          QString(), DialogIcon::None);
        // Nothing runs, so the buttons must not say it does.
        showClosed();
        return;
    }
    if (!device_.openCapture(id)) {
        dialogs().notify(dialogParent_,
                          QStringLiteral("Soundkarte kann nicht geöffnet werden ! (von anderem Programm in Benutzung ?)"),
                          QStringLiteral("Achtung:"), DialogIcon::Warning);
        showClosed();
        return;
    }
    const auto names = CaptureDevice::listCaptureDevices();
    deviceName_ = static_cast<std::size_t>(id) < names.size() ? names[static_cast<std::size_t>(id)] : std::string();
}

void CaptureControl::stop() {
    retry_.stop();
    tell(QString());
    device_.stopCapture();
    showClosed();
}

void CaptureControl::onDeviceLost() {
    // The buttons keep the running look: the operator asked for capture, and it goes on
    // by itself as soon as the receiver is back. "stop" ends the waiting.
    tell(QStringLiteral("Die Soundkarte \"%1\" liefert keine Daten mehr (entfernt ?). "
                        "Die Aufnahme läuft weiter, sobald sie wieder da ist.")
             .arg(QString::fromStdString(deviceName_)));
    retry_.start();
    // A card that only fell silent for a moment is still listed: take it up again at
    // once rather than after the first retry interval.
    QTimer::singleShot(kFirstRetryMs, &retry_, [this] {
        if (retry_.isActive()) tryReopen();
    });
}

void CaptureControl::tryReopen() {
    if (device_.isOpen()) return;
    const auto names = CaptureDevice::listCaptureDevices();
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] != deviceName_) continue;
        if (!device_.openCapture(static_cast<int>(i))) return;  // still busy: next interval
        retry_.stop();
        tell(QString());
        return;
    }
}

void CaptureControl::tell(const QString& text) {
    if (tellFault_) tellFault_(text);
}

void CaptureControl::showClosed() {
    start_->setEnabled(true);
    setButtonColour(start_, kGreen);
    stop_->setEnabled(false);
    setButtonColour(stop_, kNormalButton);
    devices_->setEnabled(true);
}

void CaptureControl::showRunning() {
    start_->setEnabled(false);
    setButtonColour(start_, kNormalButton);
    stop_->setEnabled(true);
    setButtonColour(stop_, kRed);
    devices_->setEnabled(false);
}

}  // namespace kub::ui
