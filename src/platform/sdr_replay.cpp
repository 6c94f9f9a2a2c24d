#include "platform/sdr_replay.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QTimer>
#include <chrono>

namespace kub {

namespace {
// Chunks decoded per turn of the event loop before the loop gets its turn again.
constexpr int kChunksPerTurn = 8;
constexpr int kKeepUpMs = 1000;
}  // namespace

SdrReplay::SdrReplay(std::unique_ptr<IqSource> source, double rate, StreamClock& clock, const Clock& wall,
                     TakeIq takeIq, std::function<void(const std::string&)> say, std::size_t queueBytes)
    : queue_(queueBytes), rate_(rate), clock_(clock), wall_(wall), takeIq_(std::move(takeIq)),
      pairBytes_(iqPairBytes(source->format())), wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      keepUp_(kKeepUpMs, [this] { clock_.keepUpWith(wall_.nowSeconds()); }) {
    pump_ = std::make_unique<IqPump>(std::move(source), queue_, std::move(say), [this] {
        const std::uint64_t one = 1;
        (void)!::write(wakeFd_, &one, sizeof one);
    });
}

SdrReplay::~SdrReplay() {
    stop();
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

void SdrReplay::start() {
    running_ = true;
    notifier_ = std::make_unique<QSocketNotifier>(wakeFd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        std::uint64_t knocks = 0;
        (void)!::read(wakeFd_, &knocks, sizeof knocks);
        drain();
    });
    pump_->start();
    keepUp_.start();
}

void SdrReplay::stop() {
    running_ = false;
    keepUp_.stop();
    notifier_.reset();
    pump_->stop();
}

void SdrReplay::drain() {
    for (int i = 0; running_ && i < kChunksPerTurn; ++i) {
        auto chunk = queue_.pop(std::chrono::milliseconds(0));
        if (!chunk) break;
        framesOwed_ += static_cast<double>(chunk->size() / pairBytes_) * StreamClock::kSampleRate / rate_;
        const auto frames = static_cast<std::int64_t>(framesOwed_);
        framesOwed_ -= static_cast<double>(frames);
        clock_.advanceFrames(frames);
        clock_.keepUpWith(wall_.nowSeconds());
        takeIq_(*chunk);
        decoded_ += chunk->size();
    }
    if (!running_) return;
    if (queue_.bytesHeld() > 0) {
        // More is waiting: again after the event loop's turn, without a knock.
        if (!drainScheduled_) {
            drainScheduled_ = true;
            QTimer::singleShot(0, &timerContext_, [this] {
                drainScheduled_ = false;
                drain();
            });
        }
    } else if (queue_.finished()) {
        running_ = false;
        keepUp_.stop();
        if (onFinished) onFinished();
    }
}

}  // namespace kub
