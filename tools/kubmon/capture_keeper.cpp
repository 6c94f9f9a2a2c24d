#include "capture_keeper.h"

#include "fault_lines.h"
#include "platform/capture_device.h"

namespace kubmon {

namespace {
constexpr int kRetryMs = 2000;
constexpr int kFirstRetryMs = 200;
constexpr const char* kDevice = "Soundkarte";
}  // namespace

CaptureKeeper::CaptureKeeper(kub::CaptureDevice& device, FaultLines& faults) : device_(device), faults_(faults) {
    retry_.setInterval(kRetryMs);
    QObject::connect(&retry_, &QTimer::timeout, [this] { tryOpen(); });
    QObject::connect(&device_, &kub::CaptureDevice::deviceLost, &retry_, [this] { lost(); });
}

void CaptureKeeper::start(int index) {
    index_ = index;
    const auto names = kub::CaptureDevice::listCaptureDevices();
    if (index >= 0 && static_cast<std::size_t>(index) < names.size()) name_ = names[static_cast<std::size_t>(index)];
    tryOpen();
}

void CaptureKeeper::stop() {
    retry_.stop();
    device_.stopCapture();
}

void CaptureKeeper::tryOpen() {
    const auto names = kub::CaptureDevice::listCaptureDevices();
    int at = -1;
    for (std::size_t i = 0; i < names.size() && !name_.empty(); ++i)
        if (names[i] == name_) at = static_cast<int>(i);
    if (name_.empty() && index_ >= 0 && static_cast<std::size_t>(index_) < names.size()) {
        at = index_;
        name_ = names[static_cast<std::size_t>(at)];
    }
    if (at < 0) {
        faults_.begin(kDevice, name_.empty()
                                   ? "Keine Soundkarte mit der Nummer " + std::to_string(index_) +
                                         " (Mon.ini Zeile 1, siehe \"kubmon devices\"); warte auf sie."
                                   : "Soundkarte \"" + name_ + "\" nicht vorhanden; warte auf sie.");
        retry_.start();
        return;
    }
    if (!device_.openCapture(at)) {
        faults_.begin(kDevice, "Soundkarte kann nicht geöffnet werden ! (von anderem Programm in Benutzung ?) \"" +
                                   name_ + "\"; neuer Versuch alle 2 s.");
        retry_.start();
        return;
    }
    retry_.stop();
    if (!faults_.end(kDevice, "Aufnahme läuft wieder: \"" + name_ + "\".")) faults_.say("Aufnahme läuft: \"" + name_ + "\".");
}

void CaptureKeeper::lost() {
    faults_.begin(kDevice, "Die Soundkarte \"" + name_ +
                               "\" liefert keine Daten mehr (entfernt ?). Die Aufnahme wurde gestoppt; warte auf sie.");
    // A card that only fell silent for a moment is still listed: take it up again at
    // once rather than after the first retry interval.
    QTimer::singleShot(kFirstRetryMs, &retry_, [this] {
        if (!device_.isOpen()) tryOpen();
    });
    retry_.start();
}

}  // namespace kubmon
