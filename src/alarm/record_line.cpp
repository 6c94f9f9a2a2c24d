#include "alarm/record_line.h"

#include <nlohmann/json.hpp>

#include "core/remote_payload.h"

namespace kub {

namespace {

constexpr std::size_t kLongestLine = 1 << 20;
constexpr std::size_t kMostUnits = 1000;

using Json = nlohmann::json;

std::string text(const Json& j, const char* key) {
    const auto it = j.find(key);
    return it != j.end() && it->is_string() ? it->get<std::string>() : std::string();
}

int number(const Json& j, const char* key) {
    const auto it = j.find(key);
    if (it == j.end() || !it->is_number_integer()) return -1;
    const auto v = it->get<long long>();
    return v < -1 || v > 1000000 ? -1 : static_cast<int>(v);
}

bool flag(const Json& j, const char* key) {
    const auto it = j.find(key);
    return it != j.end() && it->is_boolean() && it->get<bool>();
}

std::vector<std::string> texts(const Json& j, const char* key) {
    std::vector<std::string> out;
    const auto it = j.find(key);
    if (it == j.end() || !it->is_array()) return out;
    for (const Json& item : *it)
        if (item.is_string()) out.push_back(item.get<std::string>());
    return out;
}

}  // namespace

std::optional<ReceptionRecord> recordFromJsonLine(std::string_view line, std::string& error) {
    if (line.size() > kLongestLine) {
        error = "Zeile länger als 1 MB";
        return std::nullopt;
    }
    const Json j = Json::parse(line.begin(), line.end(), nullptr, false);
    if (j.is_discarded() || !j.is_object()) {
        error = "kein JSON-Objekt";
        return std::nullopt;
    }
    ReceptionRecord r;
    r.time = text(j, "time");
    const auto seconds = parseIsoTime(r.time);
    if (!seconds) {
        error = "Feld \"time\" fehlt oder ist keine Zeit wie 2026-12-08T13:05:07+01:00";
        return std::nullopt;
    }
    r.seconds = *seconds;
    const std::string protocol = text(j, "protocol");
    bool known = false;
    for (RecordProtocol p : {RecordProtocol::Fms, RecordProtocol::Zvei, RecordProtocol::Pocsag, RecordProtocol::Tonruf,
                             RecordProtocol::Einsatz})
        if (protocol == protocolName(p)) {
            r.protocol = p;
            known = true;
        }
    if (!known) {
        error = "Feld \"protocol\" fehlt oder ist unbekannt";
        return std::nullopt;
    }
    r.channel = text(j, "channel");
    r.line = text(j, "line");
    r.kennung = text(j, "kennung");
    r.status = number(j, "status");
    r.tki = number(j, "tki");
    r.direction = number(j, "direction");
    r.vehicle = text(j, "vehicle");
    r.info = text(j, "info");
    r.text = text(j, "text");
    r.code = text(j, "code");
    r.name = text(j, "name");
    r.ric = text(j, "ric");
    r.function = number(j, "function");
    r.tone = text(j, "tone");
    r.site = text(j, "site");
    r.sites = texts(j, "sites");
    r.verschluesselt = flag(j, "verschluesselt");
    // Missing on a whole page.
    if (const auto it = j.find("complete"); it != j.end() && it->is_boolean()) r.complete = it->get<bool>();
    if (r.protocol == RecordProtocol::Einsatz) {
        r.probealarm = flag(j, "probealarm");
        r.channels = texts(j, "channels");
        const int id = number(j, "id");
        r.incidentId = id > 0 ? static_cast<std::uint64_t>(id) : 0;
        if (const auto units = j.find("einheiten"); units != j.end() && units->is_array()) {
            for (const Json& u : *units) {
                if (!u.is_object() || r.einheiten.size() >= kMostUnits) continue;
                r.einheiten.push_back({text(u, "ric"), number(u, "function"), text(u, "code"), text(u, "name"), 0});
            }
        }
        if (const auto fields = j.find("felder"); fields != j.end() && fields->is_object())
            for (const auto& [name, value] : fields->items())
                if (value.is_string()) r.felder.emplace_back(name, value.get<std::string>());
    }
    return r;
}

}  // namespace kub
