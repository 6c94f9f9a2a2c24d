#pragma once
// Alarm delivery's MQTT destinations on the monitor's broker link: one publication with
// QoS 1, and the destination's thread waits until the broker acknowledges it. The link
// comes and goes with the MQTT settings while the deliveries stay: without one, MQTT
// messages wait in their outbox.

#include <mutex>

#include "alarm/alarm_broker_link.h"
#include "mqtt/mqtt_link.h"

namespace kub {

class MqttAlarmLink final : public AlarmBrokerLink {
public:
    MqttAlarmLink() = default;
    explicit MqttAlarmLink(MqttLink& link) : link_(&link) {}
    // The link to publish on from now on; null: none. Once this returns, the link before
    // is no longer touched (the wait for an acknowledgement does not touch it).
    void attach(MqttLink* link) {
        std::lock_guard lock(mutex_);
        link_ = link;
    }
    AlarmSendResult publish(const std::string& topic, const std::string& payload, double seconds,
                            const std::atomic<bool>& stop) override;

private:
    std::mutex mutex_;
    MqttLink* link_ = nullptr;
};

}  // namespace kub
