#pragma once
// Keeps the headless monitor capturing: opens the sound card "Mon.ini" names, and when it
// cannot be opened or goes away, says so once and tries again every two seconds until it
// is back. The card is followed by its name, so a receiver that comes back at another
// place in the server's list is found again.

#include <QTimer>
#include <string>

namespace kub {
class CaptureDevice;
}

namespace kubmon {

class FaultLines;

class CaptureKeeper {
public:
    CaptureKeeper(kub::CaptureDevice& device, FaultLines& faults);
    // Starts with device `index` of the sound server's list.
    void start(int index);
    void stop();

private:
    void tryOpen();
    void lost();

    kub::CaptureDevice& device_;
    FaultLines& faults_;
    QTimer retry_;
    int index_ = -1;
    std::string name_;
};

}  // namespace kubmon
