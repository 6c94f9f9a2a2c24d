#pragma once
// The monitor's broker connection as alarm delivery sees it: one publication with QoS 1,
// waited for until the broker acknowledges it. Implemented on the MQTT link in src/mqtt/.

#include <atomic>
#include <string>

#include "alarm/alarm_sender.h"

namespace kub {

class AlarmBrokerLink {
public:
    virtual ~AlarmBrokerLink() = default;
    // Delivered once acknowledged; Retry when not connected or no acknowledgement came in
    // `seconds` (the message may then arrive twice, with the same id).
    virtual AlarmSendResult publish(const std::string& topic, const std::string& payload, double seconds,
                                    const std::atomic<bool>& stop) = 0;
};

}  // namespace kub
