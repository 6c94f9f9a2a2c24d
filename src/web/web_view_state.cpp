#include "web/web_view_state.h"

#include <nlohmann/json.hpp>

#include "common/clock.h"
#include "common/colour_text.h"
#include "common/time_text.h"
#include "core/channel_cell.h"
#include "core/incident_summary.h"
#include "core/record_json.h"
#include "decoders/fms/fms_code_tables.h"
#include "core/handling/fms_handling.h"

namespace kub {

namespace {

using Json = nlohmann::ordered_json;

// Radio texts are whatever the air brought; invalid UTF-8 is shown replaced, never refused.
std::string dump(const Json& j) { return j.dump(-1, ' ', false, Json::error_handler_t::replace); }

// Black on light tiles, white on dark ones (the window's rule of thumb).
std::string textColourOn(std::int32_t value) {
    if (value < 0) return "#000000";
    const int r = value & 0xFF, g = (value >> 8) & 0xFF, b = (value >> 16) & 0xFF;
    return (299 * r + 587 * g + 114 * b) / 1000 >= 128 ? "#000000" : "#FFFFFF";
}

std::vector<std::string> splitTabs(const std::string& text) {
    std::vector<std::string> cells;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = text.find('\t', start);
        cells.push_back(text.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return cells;
        start = tab + 1;
    }
}

Json rowsJson(const std::deque<WebRow>& rows) {
    Json a = Json::array();
    for (const WebRow& r : rows) a.push_back(r);
    return a;
}

WebRow tableCells(const ReceptionRecord& r) {
    const std::string time = dateTimeText(toLocalTime(r.seconds));
    switch (r.protocol) {
        case RecordProtocol::Fms: {
            // As the window's row: a vehicle not in the table shows "?" and what its
            // identifier's first two digits stand for.
            const bool known = r.slot >= 0;
            const std::string info = known || r.kennung.size() < 2
                                         ? r.info
                                         : organisationName(r.kennung.substr(0, 1)) + " " + stateName(r.kennung.substr(1, 1));
            return {known ? r.vehicle : "?", info, r.kennung, statusText(r.status, r.direction),
                    std::to_string(r.tki), directionText(r.direction), time, r.text};
        }
        case RecordProtocol::Zvei:
            return {r.code, r.name, time};
        case RecordProtocol::Pocsag:
            return {r.ric, std::to_string(r.function), r.name, time, r.verschluesselt ? kEncryptedText : r.text};
        case RecordProtocol::Einsatz:
            return incidentCells(incidentSummary(r));
        case RecordProtocol::Tonruf:
            break;
    }
    return {};
}

}  // namespace

WebRow webRow(const ReceptionRecord& r) {
    WebRow row = tableCells(r);
    // An SDR channel's receptions name it in a last column, as their day log lines do.
    if (const std::string cell = channelCell(r.channel, r.frequency); !cell.empty() && !row.empty()) row.push_back(cell);
    return row;
}

void WebViewState::push(ReceptionTable table, WebRow row, std::string colour) {
    auto& rows = tables_[index(table)];
    auto& colours = nameColours_[index(table)];
    rows.push_front(std::move(row));
    colours.push_front(std::move(colour));
    while (rows.size() > static_cast<std::size_t>(kWebTableRows)) {
        rows.pop_back();
        colours.pop_back();
    }
}

void WebViewState::keepIncident(const ReceptionRecord& r) {
    const IncidentSummary summary = incidentSummary(r);
    for (auto it = incidents_.begin(); it != incidents_.end(); ++it) {
        if (it->key != summary.key) continue;
        incidentBytes_ -= it->json.size();
        incidents_.erase(it);
        break;
    }
    Json j;
    j["row"] = incidentCells(summary);
    j["record"] = Json::parse(recordJson(r));
    incidents_.push_front({summary.key, dump(j)});
    incidentBytes_ += incidents_.front().json.size();
    // The newest stays, however large; older ones go by count and by bytes.
    while (incidents_.size() > 1 && (incidents_.size() > static_cast<std::size_t>(kWebTableRows) ||
                                     incidentBytes_ > kWebIncidentBytes)) {
        incidentBytes_ -= incidents_.back().json.size();
        incidents_.pop_back();
    }
}

void WebViewState::seedTable(ReceptionTable table, const std::vector<std::string>& rowTexts,
                             const std::vector<std::uint32_t>& colours) {
    tables_[index(table)].clear();
    nameColours_[index(table)].clear();
    for (std::size_t i = rowTexts.size(); i-- > 0;) {
        const bool coloured = i < colours.size() && colours[i] != kNoRowColour;
        push(table, splitTabs(rowTexts[i]), coloured ? colourText(static_cast<std::int32_t>(colours[i])) : "");
    }
}

void WebViewState::add(const ReceptionRecord& record) {
    WebRow row = webRow(record);
    const std::string colour = colourText(static_cast<std::int32_t>(record.colour));
    switch (record.protocol) {
        case RecordProtocol::Fms: push(ReceptionTable::Fms, std::move(row), ""); break;
        case RecordProtocol::Zvei: push(ReceptionTable::Zvei, std::move(row), colour); break;
        case RecordProtocol::Pocsag: push(ReceptionTable::Pocsag, std::move(row), colour); break;
        case RecordProtocol::Einsatz: keepIncident(record); break;
        case RecordProtocol::Tonruf: break;
    }
    if (record.statusStored) boardChanged_ = true;
    if (pending_.size() < kPendingLimit) {
        pending_.push_back(record);
    } else {
        overflow_ = true;
    }
}

std::vector<std::string> WebViewState::takePending() {
    std::vector<std::string> out;
    if (overflow_) {
        out.push_back(tablesMessage());
    } else {
        for (const ReceptionRecord& r : pending_) {
            Json j;
            j["type"] = "reception";
            j["record"] = Json::parse(recordJson(r));
            const WebRow row = webRow(r);
            if (!row.empty()) j["row"] = row;
            out.push_back(dump(j));
        }
    }
    pending_.clear();
    overflow_ = false;
    return out;
}

bool WebViewState::takeBoardChanged() {
    const bool changed = boardChanged_;
    boardChanged_ = false;
    return changed;
}

std::string WebViewState::tablesMessage() const {
    Json j;
    j["type"] = "tables";
    j["fms"] = rowsJson(rows(ReceptionTable::Fms));
    j["zvei"] = rowsJson(rows(ReceptionTable::Zvei));
    j["pocsag"] = rowsJson(rows(ReceptionTable::Pocsag));
    // The name cell's colour of each ZVEI and POCSAG row ("" where none is known).
    j["colours"] = {{"zvei", nameColours_[index(ReceptionTable::Zvei)]},
                    {"pocsag", nameColours_[index(ReceptionTable::Pocsag)]}};
    Json incidents = Json::array();
    for (const Incident& i : incidents_) incidents.push_back(Json::parse(i.json));
    j["einsaetze"] = incidents;
    return dump(j);
}

std::string WebViewState::helloMessage(const StationNames& names, const Settings& settings,
                                       const VehicleTable& vehicles) const {
    Json j;
    j["type"] = "hello";
    Json stations = Json::array();
    for (int s = 0; s < kStationCount; ++s) stations.push_back(names[static_cast<std::size_t>(s)]);
    j["stations"] = stations;
    Json colours = Json::array();
    for (int s = 1; s <= 9; ++s) colours.push_back(colourText(settings.statusColour(s)));
    j["colours"] = colours;
    j["columns"] = vehicles.columns;
    j["rows"] = vehicles.rows;
    j["tables"] = Json::parse(tablesMessage());
    return dump(j);
}

std::string boardMessage(int station, const VehicleTable& vehicles, const Settings& settings,
                         const StationNames& names) {
    Json j;
    j["type"] = "board";
    j["station"] = station;
    j["name"] = station >= 0 && station < kStationCount ? names[static_cast<std::size_t>(station)] : "";
    j["columns"] = vehicles.columns;
    j["rows"] = vehicles.rows;
    Json tiles = Json::array();
    const int perStation = vehicles.tilesPerStation();
    for (int k = 0; k < perStation && station >= 0 && station < kStationCount; ++k) {
        const std::size_t slot = static_cast<std::size_t>(station * perStation + k);
        if (slot >= vehicles.vehicleTable.size()) break;
        const VehicleRecord& v = vehicles.vehicleTable[slot];
        Json t;
        if (v.kennung.size() == 8) {
            const bool hasColour = v.status >= 1 && v.status <= kStatusColourCount;
            const std::int32_t fill = hasColour ? settings.statusColour(v.status) : kLightGrey;
            t["art"] = "fahrzeug";
            t["rufname"] = v.rufname;
            t["status"] = v.status;
            t["tki"] = v.tki;
            t["zeit"] = v.statusTime;
            t["eigenschaft"] = v.eigenschaft;
            t["farbe"] = colourText(fill);
            t["schrift"] = textColourOn(fill);
        } else if (!v.rufname.empty()) {
            t["art"] = "ueberschrift";
            t["rufname"] = v.rufname;
        } else {
            t["art"] = "leer";
        }
        tiles.push_back(t);
    }
    j["tiles"] = tiles;
    return dump(j);
}

std::string alertsMessage(const ReceptionWindow& window, const VehicleTable& vehicles) {
    Json j;
    j["type"] = "alerts";
    Json names;
    const std::pair<const char*, AlertList> lists[] = {
        {"status0", AlertList::List3}, {"status5", AlertList::List2}, {"sprechtaste", AlertList::List1}};
    for (const auto& [name, list] : lists) {
        Json a = Json::array();
        Json callNames = Json::array();
        const int n = window.alertLineCount(list);
        for (int i = 0; i < n; ++i) {
            std::string line = window.alertLine(list, i);
            line = line.substr(0, line.find('\t'));
            while (!line.empty() && line.back() == ' ') line.pop_back();
            // "HH:MM:SS KENNUNG": the vehicle's call name, as the window's tooltip has it.
            const std::size_t blank = line.find(' ');
            const std::string kennung = blank == std::string::npos ? std::string() : line.substr(blank + 1);
            const int slot = fmsVehicleSlot(vehicles, kennung, 0);
            callNames.push_back(slot >= 0 ? vehicles.vehicleTable[static_cast<std::size_t>(slot)].rufname : "");
            a.push_back(line);
        }
        j[name] = a;
        names[name] = callNames;
    }
    j["names"] = names;
    return dump(j);
}

}  // namespace kub
