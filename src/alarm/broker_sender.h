#pragma once
// MQTT: the body published on `thema` over the monitor's broker link, delivered when the
// broker acknowledges it (QoS 1). Without a broker link the messages wait.

#include "alarm/alarm_broker_link.h"

namespace kub {

class BrokerSender final : public AlarmSender {
public:
    BrokerSender(AlarmBrokerLink* link, double ackSeconds) : link_(link), ackSeconds_(ackSeconds) {}
    AlarmSendResult send(const AlarmTarget& target, const AlarmMessage& message,
                         const std::atomic<bool>& stop) override {
        if (target.topic.empty() || target.topic.find_first_of("+#") != std::string::npos)
            return {AlarmSendResult::Outcome::Refused, "Thema \"" + target.topic + "\" ist kein MQTT-Thema"};
        if (!link_) return {AlarmSendResult::Outcome::Retry, "keine MQTT-Verbindung eingerichtet"};
        return link_->publish(target.topic, message.body, ackSeconds_, stop);
    }

private:
    AlarmBrokerLink* link_;
    double ackSeconds_;
};

}  // namespace kub
