#include "mqtt/mqtt_publisher.h"

#include <nlohmann/json.hpp>

#include "core/record_json.h"

namespace kub {

std::string vehicleStatusJson(const ReceptionRecord& r) {
    nlohmann::ordered_json j;
    j["kennung"] = r.kennung;
    j["status"] = r.status;
    j["tki"] = r.tki;
    j["time"] = r.time;
    j["vehicle"] = r.vehicle;
    return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void MqttPublisher::deliver(const ReceptionRecord& record) {
    if (!record.site.empty()) return;
    link_.publish({prefix_ + "/" + protocolName(record.protocol), recordJson(record), false});
    if (record.protocol == RecordProtocol::Fms && record.statusStored)
        link_.publish({prefix_ + "/fahrzeug/" + record.kennung, vehicleStatusJson(record), true});
}

}  // namespace kub
