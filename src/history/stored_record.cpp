#include "history/stored_record.h"

#include <nlohmann/json.hpp>

namespace kub {

std::optional<RecordProtocol> protocolOfName(std::string_view name) {
    for (RecordProtocol p : {RecordProtocol::Fms, RecordProtocol::Zvei, RecordProtocol::Pocsag,
                             RecordProtocol::Tonruf, RecordProtocol::Einsatz})
        if (name == protocolName(p)) return p;
    return std::nullopt;
}

namespace {

// Only what differs from a fresh record is kept: a status telegram needs a third of the
// bytes, and ten years of a district fit on an ordinary disk.
template <typename T>
void put(nlohmann::json& j, const char* name, const T& value, const T& fresh) {
    if (!(value == fresh)) j[name] = value;
}

template <typename T>
void take(const nlohmann::json& j, const char* name, T& into) {
    if (const auto it = j.find(name); it != j.end()) it->get_to(into);
}

}  // namespace

std::string storedRecordJson(const ReceptionRecord& r) {
    const ReceptionRecord fresh;
    nlohmann::json j;
    j["protocol"] = protocolName(r.protocol);
    j["time"] = r.time;
    j["seconds"] = r.seconds;
    put(j, "channel", r.channel, fresh.channel);
    put(j, "frequency", r.frequency, fresh.frequency);
    put(j, "line", r.line, fresh.line);
    put(j, "row", r.row, fresh.row);
    put(j, "colour", r.colour, fresh.colour);
    put(j, "kennung", r.kennung, fresh.kennung);
    put(j, "status", r.status, fresh.status);
    put(j, "tki", r.tki, fresh.tki);
    put(j, "direction", r.direction, fresh.direction);
    put(j, "vehicle", r.vehicle, fresh.vehicle);
    put(j, "info", r.info, fresh.info);
    put(j, "statusStored", r.statusStored, fresh.statusStored);
    put(j, "slot", r.slot, fresh.slot);
    put(j, "text", r.text, fresh.text);
    put(j, "code", r.code, fresh.code);
    put(j, "name", r.name, fresh.name);
    put(j, "receiverListed", r.receiverListed, fresh.receiverListed);
    put(j, "ric", r.ric, fresh.ric);
    put(j, "function", r.function, fresh.function);
    put(j, "tone", r.tone, fresh.tone);
    put(j, "site", r.site, fresh.site);
    put(j, "verschluesselt", r.verschluesselt, fresh.verschluesselt);
    put(j, "complete", r.complete, fresh.complete);
    if (!r.einheiten.empty()) {
        auto units = nlohmann::json::array();
        for (const Einheit& e : r.einheiten)
            units.push_back({{"ric", e.ric}, {"function", e.function}, {"code", e.code}, {"name", e.name},
                             {"colour", e.colour}});
        j["einheiten"] = std::move(units);
    }
    if (!r.felder.empty()) {
        auto fields = nlohmann::json::array();
        for (const auto& [name, value] : r.felder) fields.push_back({name, value});
        j["felder"] = std::move(fields);
    }
    put(j, "channels", r.channels, fresh.channels);
    put(j, "sites", r.sites, fresh.sites);
    put(j, "probealarm", r.probealarm, fresh.probealarm);
    put(j, "incidentId", r.incidentId, fresh.incidentId);
    // Radio text is not always valid UTF-8: a broken byte becomes U+FFFD rather than a
    // record that cannot be stored at all.
    return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::optional<ReceptionRecord> readStoredRecord(std::string_view text) {
    try {
        const auto j = nlohmann::json::parse(text);
        if (!j.is_object()) return std::nullopt;
        ReceptionRecord r;
        const auto protocol = protocolOfName(j.at("protocol").get<std::string>());
        if (!protocol) return std::nullopt;
        r.protocol = *protocol;
        j.at("time").get_to(r.time);
        j.at("seconds").get_to(r.seconds);
        take(j, "channel", r.channel);
        take(j, "frequency", r.frequency);
        take(j, "line", r.line);
        take(j, "row", r.row);
        take(j, "colour", r.colour);
        take(j, "kennung", r.kennung);
        take(j, "status", r.status);
        take(j, "tki", r.tki);
        take(j, "direction", r.direction);
        take(j, "vehicle", r.vehicle);
        take(j, "info", r.info);
        take(j, "statusStored", r.statusStored);
        take(j, "slot", r.slot);
        take(j, "text", r.text);
        take(j, "code", r.code);
        take(j, "name", r.name);
        take(j, "receiverListed", r.receiverListed);
        take(j, "ric", r.ric);
        take(j, "function", r.function);
        take(j, "tone", r.tone);
        take(j, "site", r.site);
        take(j, "verschluesselt", r.verschluesselt);
        take(j, "complete", r.complete);
        if (const auto it = j.find("einheiten"); it != j.end()) {
            for (const auto& u : *it) {
                Einheit e;
                u.at("ric").get_to(e.ric);
                u.at("function").get_to(e.function);
                u.at("code").get_to(e.code);
                u.at("name").get_to(e.name);
                u.at("colour").get_to(e.colour);
                r.einheiten.push_back(std::move(e));
            }
        }
        if (const auto it = j.find("felder"); it != j.end())
            for (const auto& f : *it) r.felder.emplace_back(f.at(0).get<std::string>(), f.at(1).get<std::string>());
        take(j, "channels", r.channels);
        take(j, "sites", r.sites);
        take(j, "probealarm", r.probealarm);
        take(j, "incidentId", r.incidentId);
        return r;
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

}  // namespace kub
