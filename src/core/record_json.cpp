#include "core/record_json.h"

#include <cstdio>

#include <nlohmann/json.hpp>

namespace kub {

const char* protocolName(RecordProtocol p) {
    switch (p) {
        case RecordProtocol::Fms: return "fms";
        case RecordProtocol::Zvei: return "zvei";
        case RecordProtocol::Pocsag: return "pocsag";
        case RecordProtocol::Tonruf: return "tonruf";
        case RecordProtocol::Einsatz: return "einsatz";
    }
    return "";
}

namespace {

// "#RRGGBB" of a 0x00BBGGRR value.
std::string rgbText(std::uint32_t colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", colour & 0xFFu, (colour >> 8) & 0xFFu, (colour >> 16) & 0xFFu);
    return text;
}

void putIncident(nlohmann::ordered_json& j, const ReceptionRecord& r) {
    auto units = nlohmann::ordered_json::array();
    for (const Einheit& e : r.einheiten) {
        nlohmann::ordered_json u;
        if (!e.ric.empty()) {
            u["ric"] = e.ric;
            u["function"] = e.function;
        } else {
            u["code"] = e.code;
        }
        u["name"] = e.name;
        u["colour"] = rgbText(e.colour);
        units.push_back(std::move(u));
    }
    j["id"] = r.incidentId;
    j["einheiten"] = std::move(units);
    j["text"] = r.text;
    auto fields = nlohmann::ordered_json::object();
    for (const auto& [name, value] : r.felder) fields[name] = value;
    j["felder"] = std::move(fields);
    j["channels"] = r.channels;
    j["sites"] = r.sites;
    j["probealarm"] = r.probealarm;
    j["verschluesselt"] = r.verschluesselt;
}

}  // namespace

std::string recordJson(const ReceptionRecord& r) {
    nlohmann::ordered_json j;
    j["time"] = r.time;
    j["channel"] = r.channel;
    j["protocol"] = protocolName(r.protocol);
    j["line"] = r.line;
    switch (r.protocol) {
        case RecordProtocol::Fms:
            j["kennung"] = r.kennung;
            j["status"] = r.status;
            j["tki"] = r.tki;
            j["direction"] = r.direction;
            j["text"] = r.text;
            j["vehicle"] = r.vehicle;
            j["info"] = r.info;
            break;
        case RecordProtocol::Zvei:
            j["code"] = r.code;
            j["name"] = r.name;
            break;
        case RecordProtocol::Pocsag:
            j["ric"] = r.ric;
            j["function"] = r.function;
            j["text"] = r.text;
            j["name"] = r.name;
            if (r.verschluesselt) j["verschluesselt"] = true;
            break;
        case RecordProtocol::Tonruf:
            j["tone"] = r.tone;
            break;
        case RecordProtocol::Einsatz:
            putIncident(j, r);
            break;
    }
    // Radio text is not always valid UTF-8; a broken byte becomes U+FFFD rather than
    // a line no consumer can read.
    return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace kub
