#pragma once
// One destination's delivery: its outbox on disk and a thread of its own that hands the
// messages to the destination in the order they came, each until it is delivered or
// refused for good, with a growing pause between failed tries. A slow or dead destination
// holds up nothing but itself. Without a sender (a destination the rules name but the
// file no longer has) messages only wait on disk.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "alarm/alarm_delivery_limits.h"
#include "alarm/alarm_notices.h"
#include "alarm/alarm_outbox.h"
#include "alarm/alarm_sender.h"
#include "common/clock.h"

namespace kub {

class AlarmWorker {
public:
    AlarmWorker(const std::string& programFolder, AlarmTarget target, std::unique_ptr<AlarmSender> sender,
                Clock& clock, const AlarmDeliveryLimits& limits, AlarmNotices& notices);
    ~AlarmWorker();
    AlarmWorker(const AlarmWorker&) = delete;
    AlarmWorker& operator=(const AlarmWorker&) = delete;

    // The destination's settings changed (same kind): the next try uses them, now.
    void setTarget(AlarmTarget target);
    // On disk (or, when the disk fails, held in memory) when this returns.
    void post(const AlarmMessage& message, std::size_t bytes);
    // Waits until what waits has gone out, a try has failed (the rest then waits in the
    // outbox for the next start), or `deadline` has come.
    void drain(std::chrono::steady_clock::time_point deadline);
    AlarmTargetState state() const;
    AlarmTargetKind kind() const { return kind_; }
    bool sends() const { return sender_ != nullptr; }

private:
    struct Waiting {
        std::uint64_t number = 0;
        std::size_t bytes = 0;
        std::shared_ptr<const AlarmMessage> held;  // only when it could not be written
    };

    void run();
    // Called with mutex_ held.
    void popFirst(std::uint64_t number);
    void settle(const Waiting& head, const std::optional<AlarmMessage>& message, const AlarmSendResult& result);

    const std::string name_;
    const AlarmTargetKind kind_;
    const std::unique_ptr<AlarmSender> sender_;
    Clock& clock_;
    const AlarmDeliveryLimits limits_;
    AlarmNotices& notices_;
    AlarmOutbox outbox_;
    std::atomic<bool> stop_{false};

    std::mutex postMutex_;  // one post at a time writes, so the files keep the order of posting

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    AlarmTarget target_;
    std::deque<Waiting> waiting_;
    std::size_t waitingBytes_ = 0;
    std::uint64_t nextNumber_ = 1;
    std::size_t failed_ = 0;
    double lastDelivery_ = 0;
    std::string lastError_;
    std::chrono::steady_clock::time_point nextTry_{};
    double pause_ = 1;
    bool troubleSaid_ = false;
    bool dropSaid_ = false;
    bool diskSaid_ = false;
    std::size_t dropped_ = 0;

    std::thread thread_;  // last: starts when all above is ready
};

}  // namespace kub
