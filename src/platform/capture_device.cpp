#include "platform/capture_device.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSource>
#include <QCoreApplication>
#include <QIODevice>
#include <QMediaDevices>
#include <QTimer>
#include <cstring>

namespace kub {

namespace {

constexpr int kBlockBytes = kBlockSamples * 2;  // 4096

QAudioFormat captureFormat() {
    QAudioFormat f;
    f.setSampleRate(kSampleRate);
    f.setChannelCount(2);
    f.setSampleFormat(QAudioFormat::Int16);
    return f;
}

}  // namespace

CaptureDevice::CaptureDevice(BlockDispatcher& dispatcher, QObject* parent)
    : QObject(parent), dispatcher_(dispatcher) {
    watchdog_ = new QTimer(this);
    watchdog_->setInterval(500);
    connect(watchdog_, &QTimer::timeout, this, &CaptureDevice::checkAlive);
}

CaptureDevice::~CaptureDevice() { release(); }

void CaptureDevice::release() {
    stopCapture();
    // Qt's sound backends may run the event loop while a source is destroyed. Left to
    // ~QObject, the stopped sources go when this is no longer a CaptureDevice, and a block
    // delivery queued for it would then run on what is left. So nothing queued for us
    // survives, and the sources go while this is still whole.
    QCoreApplication::removePostedEvents(this);
    for (QAudioSource* old : findChildren<QAudioSource*>(Qt::FindDirectChildrenOnly)) delete old;
}

std::vector<std::string> CaptureDevice::listCaptureDevices() {
    std::vector<std::string> names;
    for (const QAudioDevice& d : QMediaDevices::audioInputs())
        names.push_back(d.description().trimmed().toStdString());
    return names;
}

bool CaptureDevice::openCapture(int deviceId) {
    stopCapture();
    // The sound server is first spoken to here: a monitor that plays a recording or reads
    // a pipe never opens a device and so never complains about a server it does not need.
    if (!devices_) {
        devices_ = new QMediaDevices(this);
        connect(devices_, &QMediaDevices::audioInputsChanged, this, &CaptureDevice::onInputsChanged);
    }
    const QList<QAudioDevice> inputs = QMediaDevices::audioInputs();
    if (deviceId < 0 || deviceId >= inputs.size()) return false;
    const QAudioDevice& device = inputs[deviceId];
    const QAudioFormat format = captureFormat();
    if (!device.isFormatSupported(format)) return false;

    auto source = std::make_unique<QAudioSource>(device, format);
    // About two blocks of slack in the server; the ten blocks here do the rest.
    source->setBufferSize(2 * kBlockBytes);
    staging_.clear();
    fillBlock_ = 0;
    queued_ = kCaptureBufferCount;
    delivered_ = 0;
    dispatcher_.resetBuffers();

    QIODevice* io = source->start();
    if (!io || source->error() != QAudio::NoError || source->state() == QAudio::StoppedState) {
        source->stop();
        return false;
    }
    source_ = std::move(source);
    io_ = io;
    openDeviceId_ = device.id();
    connect(io_, &QIODevice::readyRead, this, &CaptureDevice::onReadyRead);
    connect(source_.get(), &QAudioSource::stateChanged, this, &CaptureDevice::onStateChanged);
    sinceData_.start();
    watchdog_->start();
    return true;
}

void CaptureDevice::stopCapture() {
    if (!source_) return;
    watchdog_->stop();
    // Disconnect first, so whatever the stop still produces no longer reaches the dispatch.
    std::unique_ptr<QAudioSource> source = std::move(source_);
    if (io_) disconnect(io_, nullptr, this, nullptr);
    disconnect(source.get(), nullptr, this, nullptr);
    io_ = nullptr;
    source->stop();
    // This may run inside one of the source's own signals; it goes once that returns.
    QAudioSource* old = source.release();
    old->setParent(this);
    old->deleteLater();
    staging_.clear();
    queued_ = 0;
    openDeviceId_.clear();
}

void CaptureDevice::requeueBuffer(int /*blockNumber*/) {
    if (!source_) return;
    if (queued_ < kCaptureBufferCount) ++queued_;
    // Blocks that waited for a free buffer go out from the event loop, not from inside
    // the handling that just handed this one back.
    if (staging_.size() >= kBlockBytes && !deliverQueued_) {
        deliverQueued_ = true;
        QMetaObject::invokeMethod(this, [this] {
            deliverQueued_ = false;
            deliver();
        }, Qt::QueuedConnection);
    }
}

void CaptureDevice::onReadyRead() {
    if (!io_) return;
    const QByteArray data = io_->readAll();
    if (!data.isEmpty()) sinceData_.restart();
    staging_.append(data);
    deliver();
}

void CaptureDevice::deliver() {
    // The dispatch may let the event loop run; a nested call fills the next block and the
    // dispatch holds its notice until the running one is done.
    while (source_ && queued_ > 0 && staging_.size() >= kBlockBytes) {
        CaptureBlock& block = dispatcher_.captureBuffers[static_cast<std::size_t>(fillBlock_)];
        std::memcpy(block.data(), staging_.constData(), kBlockBytes);
        staging_.remove(0, kBlockBytes);
        fillBlock_ = (fillBlock_ + 1) % kCaptureBufferCount;
        --queued_;
        ++delivered_;
        dispatcher_.processCaptureBuffer();
    }
}

void CaptureDevice::onStateChanged(QAudio::State state) {
    if (!source_) return;
    if (state == QAudio::StoppedState && source_->error() != QAudio::NoError) lose();
}

void CaptureDevice::onInputsChanged() {
    if (!source_) return;
    if (!deviceStillListed()) lose();
}

bool CaptureDevice::deviceStillListed() const {
    for (const QAudioDevice& d : QMediaDevices::audioInputs())
        if (d.id() == openDeviceId_) return true;
    return false;
}

void CaptureDevice::checkAlive() {
    if (!source_) return;
    // The sound server moves the stream of a removed device to another input and goes
    // on delivering; decoding the wrong receiver unnoticed is worse than stopping.
    if (!deviceStillListed()) {
        lose();
        return;
    }
    // Whatever waits unread counts as data: a busy event loop is not a lost device.
    if (io_ && io_->bytesAvailable() > 0) {
        onReadyRead();
        return;
    }
    if (sinceData_.elapsed() > kCaptureSilenceMs) lose();
}

void CaptureDevice::lose() {
    stopCapture();
    emit deviceLost();
}

}  // namespace kub
