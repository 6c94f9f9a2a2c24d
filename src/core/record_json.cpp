#include "core/record_json.h"

#include <nlohmann/json.hpp>

#include "common/colour_text.h"

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
        u["colour"] = colourText(static_cast<std::int32_t>(e.colour));
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
    // Only an SDR channel has one: the sound card's records stay as they were.
    if (r.frequency != 0) j["frequency"] = r.frequency;
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
            j["known"] = r.slot >= 0;
            break;
        case RecordProtocol::Zvei:
            j["code"] = r.code;
            j["name"] = r.name;
            j["known"] = r.receiverListed;
            j["colour"] = colourText(static_cast<std::int32_t>(r.colour));
            break;
        case RecordProtocol::Pocsag:
            j["ric"] = r.ric;
            j["function"] = r.function;
            j["text"] = r.text;
            j["name"] = r.name;
            j["known"] = r.receiverListed;
            j["colour"] = colourText(static_cast<std::int32_t>(r.colour));
            if (r.verschluesselt) j["verschluesselt"] = true;
            // Only on a page with gaps, so that a whole page's line stays as it always was.
            if (!r.complete) j["complete"] = false;
            break;
        case RecordProtocol::Tonruf:
            j["tone"] = r.tone;
            break;
        case RecordProtocol::Einsatz:
            putIncident(j, r);
            break;
    }
    // A page heard on more than one channel at once, reported once.
    if (r.protocol != RecordProtocol::Einsatz && r.channels.size() > 1) j["channels"] = r.channels;
    if (!r.sites.empty()) j["sites"] = r.sites;
    // Radio text is not always valid UTF-8; a broken byte becomes U+FFFD rather than
    // a line no consumer can read.
    return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace kub
