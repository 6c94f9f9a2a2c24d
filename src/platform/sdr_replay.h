#pragma once
// IQ of an SDR source into the decoding, on the event loop: the reader thread (IqPump)
// fills a bounded queue and knocks on an eventfd; each knock takes what is queued, a
// bounded share per turn so the timers and the web board still get their turn, and hands
// it to the channelizer, which feeds every channel of the core. The stream clock goes with
// the IQ and keeps up with the wall clock, as a pipe's does; while a stick delivers nothing
// it keeps up every second all the same, or the reception watchdog (on that clock) would
// never see a dead stick's channels go quiet.

#include <QObject>
#include <QSocketNotifier>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "common/clock.h"
#include "platform/repeating_timer.h"
#include "sdr/iq_pump.h"
#include "sdr/iq_queue.h"

namespace kub {

class SdrReplay {
public:
    // `takeIq` gets whole I/Q pairs of the source's format, in order; `rate` is the
    // source's in pairs per second. `say` gets German lines (from the reader thread too).
    using TakeIq = std::function<void(std::span<const std::uint8_t>)>;
    SdrReplay(std::unique_ptr<IqSource> source, double rate, StreamClock& clock, const Clock& wall, TakeIq takeIq,
              std::function<void(const std::string&)> say, std::size_t queueBytes);
    ~SdrReplay();
    SdrReplay(const SdrReplay&) = delete;
    SdrReplay& operator=(const SdrReplay&) = delete;

    void start();
    // Stops early; onFinished is not called.
    void stop();

    // Called from the event loop once the source has ended and all it gave is decoded.
    std::function<void()> onFinished;
    std::uint64_t bytesDecoded() const { return decoded_; }

private:
    void drain();

    IqQueue queue_;
    const double rate_;
    StreamClock& clock_;
    const Clock& wall_;
    TakeIq takeIq_;
    std::size_t pairBytes_;
    int wakeFd_ = -1;
    std::unique_ptr<IqPump> pump_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QObject timerContext_;
    RepeatingTimer keepUp_;
    double framesOwed_ = 0;
    std::uint64_t decoded_ = 0;
    bool running_ = false;
    bool drainScheduled_ = false;
};

}  // namespace kub
