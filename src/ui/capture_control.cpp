#include "ui/capture_control.h"

#include <QComboBox>
#include <QPushButton>

#include "platform/capture_device.h"
#include "ui/colours.h"
#include "ui/dialog_service.h"
#include "ui/settings_tab.h"

namespace kub::ui {

CaptureControl::CaptureControl(CaptureDevice& device, QPushButton* start, QPushButton* stop,
                               QComboBox* devices, std::function<int()> deviceId, QWidget* dialogParent)
    : QObject(start), device_(device), start_(start), stop_(stop), devices_(devices),
      deviceId_(std::move(deviceId)), dialogParent_(dialogParent) {
    connect(start_, &QPushButton::clicked, this, &CaptureControl::start);
    connect(stop_, &QPushButton::clicked, this, &CaptureControl::stop);
    connect(&device_, &CaptureDevice::deviceLost, this, &CaptureControl::onDeviceLost);
    showClosed();
}

void CaptureControl::listCaptureDevices(int selected) {
    devices_->clear();
    for (const std::string& name : CaptureDevice::listCaptureDevices())
        devices_->addItem(QString::fromStdString(name));
    if (devices_->count() == 0) {
        dialogs().message(dialogParent_, QStringLiteral("Keine Soundkarte (Input-Device)!"),
                          QStringLiteral("Achtung!"), DialogIcon::Error);
        return;
    }
    devices_->setCurrentIndex(selected >= 0 && selected < devices_->count() ? selected : -1);
}

bool CaptureControl::running() const { return device_.isOpen(); }

void CaptureControl::start() {
    showRunning();
    const int id = deviceId_();
    if (id < 0) {
        dialogs().message(dialogParent_, QStringLiteral("Es wurde noch keine Soundkarte selektiert"),
                          QString(), DialogIcon::None);
        // Nothing runs, so the buttons must not say it does.
        showClosed();
        return;
    }
    if (!device_.openCapture(id)) {
        dialogs().message(dialogParent_,
                          QStringLiteral("Soundkarte kann nicht geöffnet werden ! (von anderem Programm in Benutzung ?)"),
                          QStringLiteral("Achtung:"), DialogIcon::Warning);
        showClosed();
    }
}

void CaptureControl::stop() {
    device_.stopCapture();
    showClosed();
}

void CaptureControl::onDeviceLost() {
    showClosed();
    dialogs().message(dialogParent_,
                      QStringLiteral("Die Soundkarte liefert keine Daten mehr (entfernt ?). Die Aufnahme wurde gestoppt."),
                      QStringLiteral("Achtung:"), DialogIcon::Warning);
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
