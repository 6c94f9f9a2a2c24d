#pragma once
// Hands every reception heard here to the broker: its JSON under "<prefix>/fms", "/zvei",
// "/pocsag" or "/tonruf", and after a vehicle's status changed, the vehicle's current
// status retained under "<prefix>/fahrzeug/<Kennung>". Receptions of other sites are
// never published again: two sites that listen to each other would echo for ever.

#include <string>

#include "core/reception_output.h"
#include "mqtt/mqtt_link.h"

namespace kub {

// {"kennung","status","tki","time","vehicle"} of the vehicle a record stored a status for.
std::string vehicleStatusJson(const ReceptionRecord& record);

class MqttPublisher final : public ReceptionOutput {
public:
    MqttPublisher(MqttLink& link, std::string prefix) : link_(link), prefix_(std::move(prefix)) {}
    void deliver(const ReceptionRecord& record) override;

private:
    MqttLink& link_;
    std::string prefix_;
};

}  // namespace kub
