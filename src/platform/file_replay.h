#pragma once
// A recording played into the block dispatch at the pace of a sound card: one block of
// 1024 frames about every 46 ms, into the same ten buffers and through the same hand-back
// as live capture, so a configuration can be tried with a recording. After the file come
// about a second of silence blocks, so a transmission at its very end is still finished.

#include <QElapsedTimer>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "capture/block_dispatcher.h"

namespace kub {

class AudioFileReader;

class FileReplay final : public BlockRequeue {
public:
    explicit FileReplay(BlockDispatcher& dispatcher);
    ~FileReplay() override;
    FileReplay(const FileReplay&) = delete;
    FileReplay& operator=(const FileReplay&) = delete;

    // Opens the recording and starts playing it, with block 0 first. False with a
    // one-line German reason in error() when the file cannot be read.
    bool start(const std::string& path);
    // Stops early; harmless when nothing plays. onFinished is not called.
    void stop();
    bool running() const { return reader_ != nullptr; }
    const std::string& error() const { return error_; }
    long long framesRead() const { return framesRead_; }
    long long blocksDelivered() const { return delivered_; }

    void requeueBuffer(int blockNumber) override;

    // Called from the event loop once the file and the silence after it are through.
    std::function<void()> onFinished;

private:
    void tick();
    void fillNext();

    BlockDispatcher& dispatcher_;
    std::unique_ptr<AudioFileReader> reader_;
    QTimer timer_;
    QElapsedTimer clock_;
    std::string error_;
    int fillBlock_ = 0;
    int free_ = 0;
    long long delivered_ = 0;
    long long framesRead_ = 0;
    bool fileDone_ = false;
    int silentBlocks_ = 0;
};

}  // namespace kub
