#pragma once
// The bounds of alarm delivery; tests make them small, the programs use them as they are.

#include <cstddef>

#include "alarm/alarm_sender.h"

namespace kub {

struct AlarmDeliveryLimits {
    std::size_t maxWaiting = 10000;              // per destination; the oldest go beyond it
    std::size_t maxWaitingBytes = 256u << 20;    // per destination, on disk
    std::size_t maxMessageBytes = 1u << 20;      // one message; a larger one is refused at post
    std::size_t maxFailed = 1000;                // kept in the "failed" list per destination
    double firstPauseSeconds = 1;                // before the second try; doubles with each failure
    double longestPauseSeconds = 300;
    double brokerAckSeconds = 30;                // an MQTT acknowledgement waited for
    AlarmSendLimits send;
};

}  // namespace kub
