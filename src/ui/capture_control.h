#pragma once
// The "Start" (`Command5`) and "stop" (`Command2`) buttons and the device box
// `InitDevices`, bound to the sound-card capture. Capture never starts by itself.

#include <QObject>
#include <cstdint>
#include <functional>

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
    CaptureControl(CaptureDevice& device, QPushButton* start, QPushButton* stop, QComboBox* devices,
                   std::function<int()> deviceId, QWidget* dialogParent);

    // Start-up: the sound server's inputs into the box, the saved one selected.
    void listCaptureDevices(int selected);

    void start();  // Command5
    void stop();   // Command2
    bool running() const;

private:
    void showClosed();
    void showRunning();
    void onDeviceLost();

    CaptureDevice& device_;
    QPushButton* start_;
    QPushButton* stop_;
    QComboBox* devices_;
    std::function<int()> deviceId_;
    QWidget* dialogParent_;
};

}  // namespace kub::ui
