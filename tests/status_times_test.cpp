// Status times: the time per status and the missions of a vehicle from the statuses it
// sent, as a table of status sequences; the report read from a history; the command line.

#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "history/status_times.h"
#include "history/status_times_report.h"
#include "status_times_command.h"
#include "support/memory_history.h"
#include "support/run_process.h"

namespace {

using kub::StatusEvent;

constexpr double kNone = -1;
constexpr double kHour = 3600;
constexpr double kMinute = 60;

// December 2025, local time; well in the past whatever day the tests run.
double at(int hour, int minute, int day = 8) { return kubtest::localEpoch(2025, 12, day, hour, minute); }
// The last state before the range: the evening before.
const double kEve = at(22, 0, 7);

struct ExpectedMission {
    double alarmTo3, to4, to7, to8, toEnd, total;
    int endStatus;  // -1: open
};

struct StatusCase {
    const char* name;
    int rangeDay;  // the range is this whole day of December
    std::vector<StatusEvent> before;  // empty or the one state before the range
    std::vector<StatusEvent> events;
    std::vector<double> alarms;
    std::map<int, double> seconds;  // status → seconds (0: not known); others must be 0
    std::vector<ExpectedMission> missions;
    int speechRequests = 0;
};

double opt(const std::optional<double>& v) { return v ? *v : kNone; }

const std::vector<StatusCase> kCases = {
    {"Normaler Einsatz mit Alarm",
     8,
     {{kEve, 2}},
     {{at(10, 0), 3}, {at(10, 8), 4}, {at(10, 30), 7}, {at(10, 50), 8}, {at(11, 10), 1}, {at(11, 30), 2}},
     {at(9, 58)},
     {{2, 22.5 * kHour}, {3, 8 * kMinute}, {4, 22 * kMinute}, {7, 20 * kMinute}, {8, 20 * kMinute}, {1, 20 * kMinute}},
     {{120, 480, 1320, 1200, 1200, 70 * kMinute, 1}}},
    {"Status 4 fehlt",
     8,
     {{kEve, 2}},
     {{at(10, 0), 3}, {at(10, 20), 7}, {at(10, 40), 8}, {at(11, 0), 2}},
     {},
     {{2, 23 * kHour}, {3, 20 * kMinute}, {7, 20 * kMinute}, {8, 20 * kMinute}},
     {{kNone, kNone, kNone, 1200, 1200, kHour, 2}}},
    {"Über Mitternacht: zählt am Tag des Status 3, Ende am Folgetag",
     8,
     {{kEve, 2}},
     {{at(23, 30), 3}, {at(23, 50), 4}, {at(0, 40, 9), 1}},
     {},
     {{2, 23.5 * kHour}, {3, 20 * kMinute}, {4, 10 * kMinute}},
     {{kNone, 1200, kNone, kNone, kNone, 70 * kMinute, 1}}},
    {"Über Mitternacht: am Folgetag nur die Zeiten, kein Einsatz",
     9,
     {{at(23, 50), 4}},
     {{at(0, 40, 9), 1}},
     {},
     {{4, 40 * kMinute}, {1, 23 * kHour + 20 * kMinute}},
     {}},
    {"Kehrt nicht zurück: Einsatz offen",
     8,
     {{kEve, 2}},
     {{at(22, 0), 3}, {at(22, 10), 4}},
     {},
     {{2, 22 * kHour}, {3, 10 * kMinute}, {4, 110 * kMinute}},
     {{kNone, 600, kNone, kNone, kNone, kNone, -1}}},
    {"Alarm über 30 Minuten vorher zählt nicht; ein Alarm dient einem Einsatz",
     8,
     {{kEve, 2}},
     {{at(10, 0), 3}, {at(10, 5), 1}, {at(10, 10), 3}, {at(10, 20), 2}, {at(14, 0), 3}, {at(14, 30), 2}},
     {at(9, 58), at(13, 20)},
     {{2, 24 * kHour - 50 * kMinute}, {3, 45 * kMinute}, {1, 5 * kMinute}},
     {{120, kNone, kNone, kNone, kNone, 300, 1},
      {kNone, kNone, kNone, kNone, kNone, 600, 2},
      {kNone, kNone, kNone, kNone, kNone, 1800, 2}}},
    {"Wiederholte Status: der erste zählt",
     8,
     {{kEve, 2}},
     {{at(10, 0), 3}, {at(10, 2), 3}, {at(10, 10), 4}, {at(10, 12), 4}, {at(10, 30), 1}},
     {},
     {{2, 10 * kHour}, {3, 10 * kMinute}, {4, 20 * kMinute}, {1, 13.5 * kHour}},
     {{kNone, 600, kNone, kNone, kNone, 30 * kMinute, 1}}},
    {"Sprechwunsch und Notruf ändern den Status nicht",
     8,
     {{kEve, 2}},
     {{at(12, 0), 5}, {at(13, 0), 0}, {at(13, 1), 5}},
     {},
     {{2, 24 * kHour}},
     {},
     2},
    {"Von der Einsatzstelle zum nächsten Einsatz",
     8,
     {{kEve, 2}},
     {{at(10, 0), 3}, {at(10, 10), 4}, {at(10, 40), 8}, {at(11, 0), 3}, {at(11, 10), 4}, {at(12, 0), 6}},
     {},
     {{2, 10 * kHour}, {3, 20 * kMinute}, {4, 80 * kMinute}, {8, 20 * kMinute}, {6, 12 * kHour}},
     {{kNone, 600, kNone, kNone, 1200, kHour, 3}, {kNone, 600, kNone, kNone, kNone, kHour, 6}}},
    {"Ohne Status vor dem Tag: bis zur ersten Meldung unbekannt",
     8,
     {},
     {{at(6, 0), 2}},
     {},
     {{0, 6 * kHour}, {2, 18 * kHour}},
     {}},
};

TEST(StatusTimes, SequencesGiveTheirDurationsAndMissions) {
    for (const StatusCase& c : kCases) {
        SCOPED_TRACE(c.name);
        kub::StatusTimesInput input;
        input.kennung = "62341110";
        if (!c.before.empty()) input.before = c.before.front();
        input.events = c.events;
        input.alarms = c.alarms;
        const double from = at(0, 0, c.rangeDay), to = at(0, 0, c.rangeDay + 1);
        const kub::VehicleStatusTimes v = kub::computeStatusTimes(input, from, to, to + 7 * 24 * kHour);
        for (int s = 0; s <= 9; ++s) {
            const auto it = c.seconds.find(s);
            EXPECT_DOUBLE_EQ(v.seconds[static_cast<std::size_t>(s)], it == c.seconds.end() ? 0 : it->second)
                << "Status " << s;
        }
        EXPECT_EQ(v.speechRequests, c.speechRequests);
        ASSERT_EQ(v.missions.size(), c.missions.size());
        for (std::size_t i = 0; i < c.missions.size(); ++i) {
            const kub::Mission& m = v.missions[i];
            const ExpectedMission& e = c.missions[i];
            SCOPED_TRACE("Einsatz " + std::to_string(i + 1));
            EXPECT_EQ(opt(kub::stepSeconds(m.alarm, m.status3)), e.alarmTo3);
            EXPECT_EQ(opt(kub::stepSeconds(m.status3, m.status4)), e.to4);
            EXPECT_EQ(opt(kub::stepSeconds(m.status4, m.status7)), e.to7);
            EXPECT_EQ(opt(kub::stepSeconds(m.status7, m.status8)), e.to8);
            EXPECT_EQ(opt(kub::stepSeconds(m.status8, m.end)), e.toEnd);
            EXPECT_EQ(opt(kub::stepSeconds(m.status3, m.end)), e.total);
            EXPECT_EQ(m.endStatus, e.endStatus);
        }
        // The timeline covers the day without gap or overlap.
        double covered = from;
        for (const kub::StatusSegment& s : v.timeline) {
            EXPECT_DOUBLE_EQ(s.from, covered);
            covered = s.to;
        }
        EXPECT_DOUBLE_EQ(covered, to);
    }
}

kub::ReceptionRecord fms(double seconds, const std::string& kennung, const std::string& vehicle, int status,
                         int direction = 0) {
    kub::ReceptionRecord r;
    r.seconds = seconds;
    r.protocol = kub::RecordProtocol::Fms;
    r.kennung = kennung;
    r.vehicle = vehicle;
    r.status = status;
    r.direction = direction;
    r.channel = "left";
    return r;
}

kub::ReceptionRecord incident(double seconds, const std::string& ric, bool probe = false) {
    kub::ReceptionRecord r;
    r.seconds = seconds;
    r.protocol = kub::RecordProtocol::Einsatz;
    r.einheiten.push_back({ric, 3, "", "LZ Süd", 0});
    r.probealarm = probe;
    r.text = "B3 Brand Wohnhaus";
    return r;
}

// A day of two vehicles: the HLF answers an incident of its pager, a command from the
// control room and another vehicle's statuses change nothing of it.
void fillDay(kubtest::MemoryHistory& h) {
    h.add(fms(at(6, 0, 7), "62341110", "HLF Süd 1", 2));
    h.add(incident(at(9, 50), "1234567", true));
    h.add(incident(at(9, 58), "1234567"));
    for (auto [t, s] : std::vector<std::pair<double, int>>{
             {at(10, 0), 3}, {at(10, 8), 4}, {at(10, 9), 4}, {at(10, 40), 1}, {at(10, 50), 2}})
        h.add(fms(t, "62341110", "HLF Süd 1", s));
    h.add(fms(at(10, 20), "62341110", "HLF Süd 1", 3, 1));  // the control room's command
    h.add(fms(at(12, 0), "52341183", "RTW Nord", 3));
    h.add(fms(at(12, 9), "52341183", "RTW Nord", 4));
}

TEST(StatusTimes, ReportReadsLastStateBeforeTheDayAndAlarmsOfTheVehiclesUnits) {
    kubtest::MemoryHistory h;
    fillDay(h);
    const std::vector<kub::AssignmentRecord> units{{"62341110", "1234567", "HLF Süd 1"}};
    const kub::StatusTimesReport r =
        kub::gatherStatusTimes(h, "", at(0, 0), at(0, 0, 9), units, at(0, 0, 9) + 3600);
    ASSERT_TRUE(r.error.empty()) << r.error;
    ASSERT_EQ(r.vehicles.size(), 2u);
    const kub::VehicleStatusTimes& hlf = r.vehicles[0];
    EXPECT_EQ(hlf.vehicle, "HLF Süd 1");
    EXPECT_DOUBLE_EQ(hlf.seconds[2], 24 * kHour - 50 * kMinute);
    ASSERT_EQ(hlf.missions.size(), 1u);
    EXPECT_EQ(opt(kub::stepSeconds(hlf.missions[0].alarm, hlf.missions[0].status3)), 120);
    EXPECT_EQ(hlf.missions[0].endStatus, 1);
    const kub::VehicleStatusTimes& rtw = r.vehicles[1];
    EXPECT_EQ(rtw.vehicle, "RTW Nord");
    EXPECT_DOUBLE_EQ(rtw.seconds[0], 12 * kHour);
    ASSERT_EQ(rtw.missions.size(), 1u);
    EXPECT_TRUE(rtw.missions[0].open());
    EXPECT_FALSE(rtw.missions[0].alarm);
}

struct CommandRun {
    int status;
    std::string out, err;
};

CommandRun command(kub::HistorySource& h, const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = kubmon::runStatusTimesCommand(args, h, out, err);
    return {status, out.str(), err.str()};
}

TEST(StatusTimes, CommandPrintsTableAndJsonAndRefusesDatesThatDoNotExist) {
    kubtest::MemoryHistory h;
    fillDay(h);
    const std::string folder = kubtest::makeTempDir("statuszeiten");
    std::vector<kub::AssignmentRecord> list;
    ASSERT_TRUE(kub::addAssignment(folder, list, "62341110", "1234567", "HLF Süd 1"));

    const CommandRun plain =
        command(h, {"--statuszeiten", "--folder", folder, "--von", "08.12.2025", "--bis", "08.12.2025"});
    EXPECT_EQ(plain.status, 0) << plain.err;
    for (const char* expected : {"Statuszeiten 08.12.2025 00:00:00 bis 09.12.2025 00:00:00", "Status 3", "Alarm→3",
                                 "HLF Süd 1", "08.12.2025 09:58:00", "0:02:00", "0:40:00", "offen"})
        EXPECT_NE(plain.out.find(expected), std::string::npos) << expected << "\n" << plain.out;

    const CommandRun json = command(h, {"--folder", folder, "--von", "2025-12-08", "--kennung", "62341110", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    const auto j = nlohmann::json::parse(json.out);
    ASSERT_EQ(j["fahrzeuge"].size(), 1u);
    const auto& mission = j["fahrzeuge"][0]["einsaetze"][0];
    EXPECT_EQ(mission["alarm_bis_3"], 120);
    EXPECT_EQ(mission["3_bis_4"], 480);
    EXPECT_EQ(mission["dauer"], 40 * 60);
    EXPECT_EQ(mission["endstatus"], 1);

    const CommandRun bad = command(h, {"--folder", folder, "--von", "31.02.2025"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("\"31.02.2025\" ist kein gültiges Datum"), std::string::npos) << bad.err;
    EXPECT_TRUE(bad.out.empty());
    kubtest::removeTree(folder);
}

}  // namespace
