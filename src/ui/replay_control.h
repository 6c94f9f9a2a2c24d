#pragma once
// "Aufzeichnung abspielen…" beside "Start": plays a recording into the decoding at the
// pace of the sound card, through the same dispatch, handling and exports as live audio,
// so an operator can try a configuration without radio traffic. Capture is stopped
// first; while the recording plays, "Start" waits and the button stops the playing.

#include <QObject>
#include <memory>

#include "capture/block_dispatcher.h"

class QPushButton;
class QWidget;

namespace kub {
class CaptureDevice;
class FileReplay;
}  // namespace kub

namespace kub::ui {

class CaptureControl;

class ReplayControl : public QObject, public BlockRequeue {
    Q_OBJECT
public:
    // Puts its button into the row of `start`.
    ReplayControl(BlockDispatcher& dispatcher, CaptureDevice& device, CaptureControl& capture, QPushButton* start,
                  QWidget* dialogParent);
    ~ReplayControl() override;

    QPushButton* button() const { return button_; }
    bool playing() const;
    // Plays `path`; false (with a message) when it cannot be read.
    bool play(const QString& path);
    void stop();

    // Blocks go back to whichever source filled them; the idle one ignores them.
    void requeueBuffer(int blockNumber) override;

signals:
    void finished();

private:
    void onClicked();
    void showIdle();

    CaptureDevice& device_;
    CaptureControl& capture_;
    QPushButton* start_;
    QWidget* dialogParent_;
    QPushButton* button_ = nullptr;
    std::unique_ptr<FileReplay> replay_;
};

}  // namespace kub::ui
