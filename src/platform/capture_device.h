#pragma once
// The sound-card binding: lists the input devices of the sound server and captures from
// one of them at 22050 Hz, 16 bit, 2 channels. Ten blocks of 4096 bytes circulate
// between the device and the block dispatch, as with the original wave-input queue: the
// device fills a block only once the dispatch has handed it back, and every filled block
// is handed to the dispatch, in order, on the thread this object lives on.

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QtMultimedia/QAudio>
#include <memory>
#include <string>
#include <vector>

#include "capture/block_dispatcher.h"

class QAudioSource;
class QTimer;
class QIODevice;
class QMediaDevices;

namespace kub {

class CaptureDevice : public QObject, public BlockRequeue {
    Q_OBJECT
public:
    explicit CaptureDevice(BlockDispatcher& dispatcher, QObject* parent = nullptr);
    ~CaptureDevice() override;

    // The sound server's input devices, by their descriptions, in the server's order.
    static std::vector<std::string> listCaptureDevices();

    // Opens input device `deviceId` (an index into listCaptureDevices()) and starts
    // capturing, with block 0 expected first. False when it cannot be opened.
    bool openCapture(int deviceId);
    // Stops and closes; harmless when nothing is open.
    void stopCapture();
    // Stops and lets the sound backend go at once. Qt's PulseAudio source runs the event
    // loop while it is destroyed, so whoever owns this calls it at the start of its own
    // teardown, while everything an event may reach is still whole. Never from inside a
    // signal of the source.
    void release();
    bool isOpen() const { return source_ != nullptr; }

    void requeueBuffer(int blockNumber) override;

    // Blocks handed to the dispatch since the last open.
    long long blocksDelivered() const { return delivered_; }

signals:
    // The open device stopped delivering for good (unplugged, removed from the server).
    // Capture is already closed when this arrives.
    void deviceLost();

private:
    void onReadyRead();
    void onStateChanged(QAudio::State state);
    void onInputsChanged();
    void deliver();
    void lose();
    void checkAlive();
    bool deviceStillListed() const;

    BlockDispatcher& dispatcher_;
    std::unique_ptr<QAudioSource> source_;
    QIODevice* io_ = nullptr;
    QMediaDevices* devices_ = nullptr;
    QByteArray openDeviceId_;
    QByteArray staging_;
    int fillBlock_ = 0;
    int queued_ = 0;
    bool deliverQueued_ = false;
    long long delivered_ = 0;
    // A source the server has dropped may simply fall silent: no data for this long
    // while open counts as the device gone.
    QTimer* watchdog_ = nullptr;
    QElapsedTimer sinceData_;
};

constexpr int kCaptureSilenceMs = 3000;

}  // namespace kub
