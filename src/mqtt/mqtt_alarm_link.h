#pragma once
// Alarm delivery's MQTT destinations on the monitor's broker link: one publication with
// QoS 1, and the destination's thread waits until the broker acknowledges it.

#include "alarm/alarm_broker_link.h"
#include "mqtt/mqtt_link.h"

namespace kub {

class MqttAlarmLink final : public AlarmBrokerLink {
public:
    explicit MqttAlarmLink(MqttLink& link) : link_(link) {}
    AlarmSendResult publish(const std::string& topic, const std::string& payload, double seconds,
                            const std::atomic<bool>& stop) override;

private:
    MqttLink& link_;
};

}  // namespace kub
