#pragma once
// The "Start" (`Command5`) and "stop" (`Command2`) buttons and the device box
// `InitDevices`, bound to the sound-card capture. Capture never starts by itself; once
// started, a receiver that goes away is waited for and taken up again when it is back,
// with a line in the window meanwhile instead of a box that would wait for a person.

#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <string>

class QPushButton;
class QComboBox;
class QWidget;

namespace kub {
class CaptureDevice;
}

namespace kub::ui {

class CaptureControl : public QObject {
    Q_OBJECT
public:
    // `deviceId` reads the saved device index (the box's choice counts once saved).
    // `tellFault` shows a device fault in the window; an empty text takes it away.
    CaptureControl(CaptureDevice& device, QPushButton* start, QPushButton* stop, QComboBox* devices,
                   std::function<int()> deviceId, QWidget* dialogParent,
                   std::function<void(const QString&)> tellFault = {});

    // Start-up: the sound server's inputs into the box, the saved one selected; returns
    // how many there are. No box: the window says it where the operator looks anyway.
    int listCaptureDevices(int selected);

    // Command5. Runs at start-up too (capture at start), so a failure is said without
    // waiting for anyone.
    void start();
    void stop();   // Command2
    // Capturing, or waiting for a receiver that went away while capturing.
    bool running() const;
    bool waitingForDevice() const { return retry_.isActive(); }

private:
    void showClosed();
    void showRunning();
    void onDeviceLost();
    void tryReopen();
    void tell(const QString& text);

    CaptureDevice& device_;
    QPushButton* start_;
    QPushButton* stop_;
    QComboBox* devices_;
    std::function<int()> deviceId_;
    QWidget* dialogParent_;
    std::function<void(const QString&)> tellFault_;
    QTimer retry_;
    std::string deviceName_;  // followed by name: a receiver may come back at another place
};

}  // namespace kub::ui
