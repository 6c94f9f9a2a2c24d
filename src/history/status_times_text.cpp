#include "history/status_times_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>
#include <vector>

#include "common/clock.h"
#include "common/csv_line.h"
#include "common/time_text.h"

namespace kub {

namespace {

using Json = nlohmann::ordered_json;

// The statuses that have time of their own (5 and 0 are requests, counted instead).
constexpr int kStates[] = {1, 2, 3, 4, 6, 7, 8, 9};

std::string when(const std::optional<double>& t) { return t ? dateTimeText(toLocalTime(*t)) : "–"; }
std::string span(const std::optional<double>& s) { return s ? durationText(*s) : "–"; }

Json isoOrNull(const std::optional<double>& t) { return t ? Json(isoTimeText(*t)) : Json(nullptr); }
Json secondsOrNull(const std::optional<double>& s) { return s ? Json(std::lround(*s)) : Json(nullptr); }

struct Steps {
    std::optional<double> alarmTo3, to4, to7, to8, toEnd, total;
};

Steps stepsOf(const Mission& m) {
    Steps s;
    s.alarmTo3 = stepSeconds(m.alarm, m.status3);
    s.to4 = stepSeconds(m.status3, m.status4);
    s.to7 = stepSeconds(m.status4, m.status7);
    s.to8 = stepSeconds(m.status7, m.status8);
    s.toEnd = stepSeconds(m.status8, m.end);
    s.total = stepSeconds(m.status3, m.end);
    return s;
}

std::string endText(const Mission& m) {
    if (m.open()) return "offen";
    return when(m.end) + " (Status " + std::to_string(m.endStatus) + ")";
}

std::string vehicleName(const VehicleStatusTimes& v) { return v.vehicle.empty() ? v.kennung : v.vehicle; }

// Characters, not bytes: call names carry umlauts.
std::size_t width(const std::string& s) {
    std::size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

std::string table(const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::size_t> widths;
    for (const auto& r : rows)
        for (std::size_t i = 0; i < r.size(); ++i) {
            if (widths.size() <= i) widths.push_back(0);
            widths[i] = std::max(widths[i], width(r[i]));
        }
    std::string out;
    for (const auto& r : rows) {
        std::string line;
        for (std::size_t i = 0; i < r.size(); ++i) {
            line += r[i];
            if (i + 1 < r.size()) line += std::string(widths[i] - width(r[i]) + 2, ' ');
        }
        out += line + "\n";
    }
    return out;
}

std::string csvSeconds(const std::optional<double>& s) { return s ? std::to_string(std::lround(*s)) : ""; }

}  // namespace

std::string durationText(double seconds) {
    const long total = std::lround(std::max(0.0, seconds));
    char buf[48];
    std::snprintf(buf, sizeof buf, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
    return buf;
}

std::string statusTimesTable(const StatusTimesReport& report) {
    std::string out = "Statuszeiten " + dateTimeText(toLocalTime(report.from)) + " bis " +
                      dateTimeText(toLocalTime(report.to)) + "\n\n";
    if (report.vehicles.empty()) return out + "Keine Statusmeldungen im Zeitraum.\n";
    std::vector<std::vector<std::string>> summary{{"Fahrzeug", "Kennung"}};
    for (int s : kStates) summary[0].push_back("Status " + std::to_string(s));
    summary[0].insert(summary[0].end(), {"unbekannt", "Sprechwünsche", "Notrufe", "Einsätze"});
    for (const VehicleStatusTimes& v : report.vehicles) {
        std::vector<std::string> row{vehicleName(v), v.kennung};
        for (int s : kStates) row.push_back(durationText(v.seconds[static_cast<std::size_t>(s)]));
        row.insert(row.end(), {durationText(v.seconds[0]), std::to_string(v.speechRequests),
                               std::to_string(v.emergencyCalls), std::to_string(v.missions.size())});
        summary.push_back(std::move(row));
    }
    out += table(summary);

    std::vector<std::vector<std::string>> missions{
        {"Fahrzeug", "Alarm", "Status 3", "Alarm→3", "3→4", "4→7", "7→8", "8→1/2", "Dauer", "Ende"}};
    for (const VehicleStatusTimes& v : report.vehicles)
        for (const Mission& m : v.missions) {
            const Steps s = stepsOf(m);
            missions.push_back({vehicleName(v), when(m.alarm), when(m.status3), span(s.alarmTo3), span(s.to4),
                                span(s.to7), span(s.to8), span(s.toEnd), span(s.total), endText(m)});
        }
    out += "\nEinsätze\n";
    out += missions.size() == 1 ? std::string("Keine Einsätze im Zeitraum.\n") : table(missions);
    return out;
}

std::string statusTimesJson(const StatusTimesReport& report, bool timeline) {
    Json j;
    j["von"] = isoTimeText(report.from);
    j["bis"] = isoTimeText(report.to);
    Json vehicles = Json::array();
    for (const VehicleStatusTimes& v : report.vehicles) {
        Json jv;
        jv["kennung"] = v.kennung;
        jv["rufname"] = v.vehicle;
        Json seconds = Json::object();
        for (int s : kStates) seconds[std::to_string(s)] = std::lround(v.seconds[static_cast<std::size_t>(s)]);
        jv["sekunden"] = seconds;
        jv["unbekannt"] = std::lround(v.seconds[0]);
        jv["sprechwuensche"] = v.speechRequests;
        jv["notrufe"] = v.emergencyCalls;
        Json missions = Json::array();
        for (const Mission& m : v.missions) {
            const Steps s = stepsOf(m);
            missions.push_back({{"alarm", isoOrNull(m.alarm)},
                                {"status3", isoTimeText(m.status3)},
                                {"status4", isoOrNull(m.status4)},
                                {"status7", isoOrNull(m.status7)},
                                {"status8", isoOrNull(m.status8)},
                                {"ende", isoOrNull(m.end)},
                                {"endstatus", m.open() ? Json(nullptr) : Json(m.endStatus)},
                                {"offen", m.open()},
                                {"alarm_bis_3", secondsOrNull(s.alarmTo3)},
                                {"3_bis_4", secondsOrNull(s.to4)},
                                {"4_bis_7", secondsOrNull(s.to7)},
                                {"7_bis_8", secondsOrNull(s.to8)},
                                {"8_bis_ende", secondsOrNull(s.toEnd)},
                                {"dauer", secondsOrNull(s.total)}});
        }
        jv["einsaetze"] = missions;
        if (timeline) {
            Json parts = Json::array();
            for (const StatusSegment& p : v.timeline)
                parts.push_back({{"status", p.status}, {"von", p.from - report.from}, {"bis", p.to - report.from}});
            jv["abschnitte"] = parts;
        }
        vehicles.push_back(std::move(jv));
    }
    j["fahrzeuge"] = vehicles;
    return j.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string statusTimesCsv(const StatusTimesReport& report) {
    std::vector<std::string> head{"Fahrzeug", "Kennung"};
    for (int s : kStates) head.push_back("Status " + std::to_string(s) + " (s)");
    head.insert(head.end(), {"unbekannt (s)", "Sprechwünsche", "Notrufe", "Einsätze"});
    std::string out = csvLine(head);
    for (const VehicleStatusTimes& v : report.vehicles) {
        std::vector<std::string> row{v.vehicle, v.kennung};
        for (int s : kStates) row.push_back(std::to_string(std::lround(v.seconds[static_cast<std::size_t>(s)])));
        row.insert(row.end(), {std::to_string(std::lround(v.seconds[0])), std::to_string(v.speechRequests),
                               std::to_string(v.emergencyCalls), std::to_string(v.missions.size())});
        out += csvLine(row);
    }
    out += "\r\n";
    out += csvLine({"Fahrzeug", "Kennung", "Alarm", "Status 3", "Status 4", "Status 7", "Status 8", "Ende", "Endstatus",
                    "Alarm→3 (s)", "3→4 (s)", "4→7 (s)", "7→8 (s)", "8→1/2 (s)", "Dauer (s)"});
    const auto iso = [](const std::optional<double>& t) { return t ? isoTimeText(*t) : std::string(); };
    for (const VehicleStatusTimes& v : report.vehicles)
        for (const Mission& m : v.missions) {
            const Steps s = stepsOf(m);
            out += csvLine({v.vehicle, v.kennung, iso(m.alarm), isoTimeText(m.status3), iso(m.status4), iso(m.status7),
                            iso(m.status8), iso(m.end), m.open() ? "offen" : std::to_string(m.endStatus),
                            csvSeconds(s.alarmTo3), csvSeconds(s.to4), csvSeconds(s.to7), csvSeconds(s.to8),
                            csvSeconds(s.toEnd), csvSeconds(s.total)});
        }
    return out;
}

}  // namespace kub
