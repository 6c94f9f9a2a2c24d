#pragma once
// The reader thread of an SDR run: reads the source as fast as it delivers and hands the
// bytes, whole I/Q pairs per chunk, to the bounded queue the decoding thread takes them
// from. A stick never waits for the decoders (its USB buffers would overflow and it would
// lose samples at random places); when the decoders fall behind, the queue drops the
// oldest and that is said once.

#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "sdr/iq_queue.h"
#include "sdr/iq_source.h"

namespace kub {

class IqPump {
public:
    // `say` and `wake` are called on the reader thread: a German line, and "the queue has
    // something new" (also once at the end, after the queue is closed).
    IqPump(std::unique_ptr<IqSource> source, IqQueue& queue, std::function<void(const std::string&)> say,
             std::function<void()> wake);
    ~IqPump();
    IqPump(const IqPump&) = delete;
    IqPump& operator=(const IqPump&) = delete;

    void start();
    // Stops the source and joins the thread; the queue is closed.
    void stop();
    IqFormat format() const { return format_; }

private:
    void run();

    std::unique_ptr<IqSource> source_;
    IqQueue& queue_;
    const std::function<void(const std::string&)> say_;
    const std::function<void()> wake_;
    const IqFormat format_;
    std::thread thread_;
};

}  // namespace kub
