#include "core/incident_summary.h"

#include "common/clock.h"
#include "common/time_text.h"

namespace kub {

namespace {

std::string field(const ReceptionRecord& r, const std::string& name) {
    for (const auto& [key, value] : r.felder)
        if (key == name) return value;
    return {};
}

}  // namespace

IncidentSummary incidentSummary(const ReceptionRecord& r) {
    IncidentSummary s;
    s.time = dateTimeText(toLocalTime(r.seconds));
    s.keyword = field(r, "stichwort");
    s.address = field(r, "adresse");
    for (const auto& unit : r.einheiten) {
        if (!s.units.empty()) s.units += ", ";
        s.units += !unit.name.empty() ? unit.name : (!unit.ric.empty() ? unit.ric : unit.code);
    }
    s.text = r.verschluesselt ? kEncryptedText : r.text;
    s.test = r.probealarm;
    // Numbers start again at 1 with the program; the time of the first page tells those apart.
    s.key = std::to_string(r.incidentId) + "@" + r.time;
    return s;
}

std::vector<std::string> incidentCells(const IncidentSummary& s) {
    std::string keyword = s.test ? (s.keyword.empty() ? "Probealarm" : "Probealarm " + s.keyword) : s.keyword;
    return {s.time, std::move(keyword), s.units, s.text};
}

}  // namespace kub
