#include "alarm/alarm_entry.h"

#include <nlohmann/json.hpp>

#include <cmath>

namespace kub {

namespace {

using Json = nlohmann::json;

// A text the rules rendered from the air may hold bytes that are not UTF-8; they are
// written as U+FFFD rather than lose the message.
std::string dumpJson(const Json& j) { return j.dump(-1, ' ', false, Json::error_handler_t::replace); }

const std::string* textAt(const Json& j, const char* key) {
    const auto it = j.find(key);
    return it != j.end() && it->is_string() ? it->get_ptr<const std::string*>() : nullptr;
}

}  // namespace

std::string encodeAlarmEntry(const AlarmEntry& entry) {
    const AlarmMessage& m = entry.message;
    Json headers = Json::array();
    for (const auto& [name, value] : m.headers) headers.push_back(Json::array({name, value}));
    Json j = {{"art", "kub-alarm"}, {"id", m.id},          {"ziel", m.target},   {"zeit", m.seconds},
              {"test", m.test},     {"inhalt", m.body},    {"betreff", m.subject}, {"kopf", headers},
              {"argumente", m.arguments}};
    if (!entry.error.empty()) {
        j["fehler"] = entry.error;
        j["abgelehnt"] = entry.refusedSeconds;
    }
    return dumpJson(j) + "\n";
}

std::optional<AlarmEntry> decodeAlarmEntry(std::string_view bytes) {
    const Json j = Json::parse(bytes, nullptr, false);
    if (j.is_discarded() || !j.is_object()) return std::nullopt;
    const std::string* kind = textAt(j, "art");
    const std::string* id = textAt(j, "id");
    const std::string* target = textAt(j, "ziel");
    const std::string* body = textAt(j, "inhalt");
    const std::string* subject = textAt(j, "betreff");
    const auto seconds = j.find("zeit");
    const auto test = j.find("test");
    const auto headers = j.find("kopf");
    const auto arguments = j.find("argumente");
    if (!kind || *kind != "kub-alarm" || !id || id->empty() || !target || !body || !subject || seconds == j.end() ||
        !seconds->is_number() || !std::isfinite(seconds->get<double>()) || test == j.end() || !test->is_boolean() || headers == j.end() ||
        !headers->is_array() || arguments == j.end() || !arguments->is_array())
        return std::nullopt;
    AlarmEntry e;
    AlarmMessage& m = e.message;
    m.id = *id;
    m.target = *target;
    m.seconds = seconds->get<double>();
    m.test = test->get<bool>();
    m.body = *body;
    m.subject = *subject;
    for (const auto& h : *headers) {
        if (!h.is_array() || h.size() != 2 || !h[0].is_string() || !h[1].is_string()) return std::nullopt;
        m.headers.emplace_back(h[0].get<std::string>(), h[1].get<std::string>());
    }
    for (const auto& a : *arguments) {
        if (!a.is_string()) return std::nullopt;
        m.arguments.push_back(a.get<std::string>());
    }
    if (const std::string* error = textAt(j, "fehler")) {
        e.error = *error;
        const auto when = j.find("abgelehnt");
        if (when != j.end() && when->is_number() && std::isfinite(when->get<double>())) e.refusedSeconds = when->get<double>();
    }
    return e;
}

std::size_t alarmEntryBytes(const AlarmMessage& message) { return encodeAlarmEntry({message, {}, 0}).size(); }

}  // namespace kub
