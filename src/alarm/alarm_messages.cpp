#include "alarm/alarm_messages.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "core/record_json.h"

namespace kub {

namespace {

constexpr std::size_t kLongestSubject = 150;

std::string dumped(const nlohmann::ordered_json& j) { return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace); }

std::string rendered(const AlarmTemplate& t, const nlohmann::ordered_json& fields, const std::string& part,
                     std::vector<std::string>& missing) {
    std::vector<std::string> names;
    std::string out = t.render(fields, names);
    for (const std::string& n : names) missing.push_back(part + ": " + n);
    return out;
}

std::string text(const nlohmann::ordered_json& fields, const char* key) {
    const auto it = fields.find(key);
    return it != fields.end() && it->is_string() ? it->get<std::string>() : std::string();
}

// "KUB-Monitor: B3 Brand …" — what was heard, in one line.
std::string defaultSubject(const nlohmann::ordered_json& fields) {
    std::string what = text(fields, "text");
    for (const char* key : {"ric", "code", "kennung"})
        if (what.empty()) what = text(fields, key);
    if (fields.value("test", false)) what = "Test " + what;
    std::string subject = "KUB-Monitor: " + what;
    if (subject.size() > kLongestSubject) subject = subject.substr(0, kLongestSubject) + "…";
    return subject;
}

// One "name: value" line per field, for a mail without inhalt.
std::string readableBody(const nlohmann::ordered_json& fields) {
    std::string out;
    for (const auto& [key, value] : fields.items()) {
        if (key == "line") continue;
        out += key + ": " + (value.is_string() ? value.get<std::string>() : dumped(value)) + "\n";
    }
    return out;
}

}  // namespace

std::string alarmId(double seconds, std::uint64_t number, const std::string& target) {
    return std::to_string(std::llround(seconds * 1000)) + "-" + std::to_string(number) + "-" + target;
}

nlohmann::ordered_json alarmFields(const ReceptionRecord& record, const std::string& id, bool test) {
    nlohmann::ordered_json ordered = nlohmann::ordered_json::parse(recordJson(record));
    // The delivery's id comes first, so a receiver reading the body finds it at once.
    nlohmann::ordered_json out;
    out["id"] = id;
    if (test) out["test"] = true;
    for (auto& [key, value] : ordered.items())
        if (key != "id") out[key] = value;
    if (record.protocol == RecordProtocol::Einsatz) out["einsatz_nr"] = record.incidentId;
    return out;
}

AlarmMessage alarmMessage(const AlarmTarget& target, const TargetTemplates& templates, const nlohmann::ordered_json& fields,
                          double seconds, std::vector<std::string>& missing) {
    AlarmMessage m;
    m.id = text(fields, "id");
    m.target = target.name;
    m.seconds = seconds;
    m.test = fields.value("test", false);
    if (templates.ownBody)
        m.body = rendered(templates.body, fields, "inhalt", missing);
    else if (target.kind == AlarmTargetKind::Mail)
        m.body = readableBody(fields);
    else if (target.kind != AlarmTargetKind::Program)
        m.body = dumped(fields);
    if (target.kind == AlarmTargetKind::Mail)
        m.subject = headerSafe(templates.subject.empty() ? defaultSubject(fields)
                                                         : rendered(templates.subject, fields, "betreff", missing));
    for (const auto& [name, value] : templates.headers)
        m.headers.emplace_back(name, headerSafe(rendered(value, fields, "kopf." + name, missing)));
    if (target.kind == AlarmTargetKind::Program) {
        for (const AlarmTemplate& arg : templates.arguments) m.arguments.push_back(rendered(arg, fields, "argumente", missing));
        if (templates.arguments.empty()) m.arguments.push_back(dumped(fields));
    }
    return m;
}

}  // namespace kub
