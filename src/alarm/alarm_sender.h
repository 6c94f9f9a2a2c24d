#pragma once
// One try to hand a message to a destination, on that destination's own thread. A try may
// take long (a slow server) but never longer than its time limits, and gives up at once
// when `stop` is set.

#include <atomic>
#include <string>

#include "alarm/alarm_message.h"

namespace kub {

struct AlarmSendResult {
    enum class Outcome {
        Delivered,  // HTTP 2xx, mail accepted, MQTT acknowledged, program started
        Retry,      // not now: try again after a pause
        Refused,    // never: the destination said no for good
    };
    Outcome outcome = Outcome::Retry;
    std::string error;  // German, for Retry and Refused
};

class AlarmSender {
public:
    virtual ~AlarmSender() = default;
    virtual AlarmSendResult send(const AlarmTarget& target, const AlarmMessage& message,
                                 const std::atomic<bool>& stop) = 0;
};

// Time limits and byte limits of one try.
struct AlarmSendLimits {
    double connectSeconds = 10;
    double totalSeconds = 20;
    std::size_t answerBytes = 64 * 1024;  // of an answer, only this much is read
    std::size_t programsRunning = 3;      // started programs of one destination still running
};

}  // namespace kub
