// The alarm rules of "Alarmierung.toml": every condition at its edges, the faults a user
// makes with where they are, the messages made from templates, and the output that reads
// the file again and keeps the last good rules.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "alarm/alarm_matcher.h"
#include "alarm/alarm_messages.h"
#include "alarm/alarm_rules_file.h"
#include "alarm/alarm_rules_output.h"
#include "support/run_process.h"

namespace {

using kub::ReceptionRecord;
using kub::RecordProtocol;

// Epoch seconds of a local time in December 2026; the 7th is a Monday.
double local(int day, int hour, int minute, int second = 0) { return kubtest::localEpoch(2026, 12, day, hour, minute, second); }

ReceptionRecord record(RecordProtocol p, double seconds = local(7, 12, 0)) {
    ReceptionRecord r;
    r.protocol = p;
    r.seconds = seconds;
    r.time = "2026-12-07T12:00:00+01:00";
    r.channel = "left";
    return r;
}

ReceptionRecord page(const std::string& ric, int function, const std::string& text = "") {
    ReceptionRecord r = record(RecordProtocol::Pocsag);
    r.ric = ric;
    r.function = function;
    r.text = text;
    return r;
}

ReceptionRecord fms(const std::string& kennung, int status) {
    ReceptionRecord r = record(RecordProtocol::Fms);
    r.kennung = kennung;
    r.status = status;
    return r;
}

ReceptionRecord zvei(const std::string& code) {
    ReceptionRecord r = record(RecordProtocol::Zvei);
    r.code = code;
    return r;
}

ReceptionRecord incident(bool probealarm = false) {
    ReceptionRecord r = record(RecordProtocol::Einsatz);
    r.einheiten = {{"1000001", 0, "", "LF 1", 0}, {"1234567", 3, "", "", 0}, {"", -1, "25431", "Sirene", 0}};
    r.text = "B3 Brand Wohnhaus";
    r.felder = {{"stichwort", "B3"}};
    r.channels = {"left", "right"};
    r.probealarm = probealarm;
    r.incidentId = 4;
    return r;
}

ReceptionRecord at(ReceptionRecord r, double seconds) {
    r.seconds = seconds;
    return r;
}

ReceptionRecord from(ReceptionRecord r, const std::string& site) {
    r.site = site;
    return r;
}

ReceptionRecord onChannel(ReceptionRecord r, const std::string& channel) {
    r.channel = channel;
    return r;
}

kub::AlarmRules rulesOf(const std::string& text) {
    kub::AlarmRulesRead read = kub::parseAlarmRules(text);
    EXPECT_EQ(read.faults, std::vector<std::string>{}) << text;
    return std::move(read.rules);
}

const std::string kTarget = "[ziel.t]\nart = \"webhook\"\nurl = \"http://127.0.0.1:9/\"\n";

struct ConditionCase {
    const char* rule;  // the lines of [[regel]] after ziele
    ReceptionRecord record;
    bool sent;
};

class RuleTable : public ::testing::TestWithParam<ConditionCase> {};

TEST_P(RuleTable, SendsExactlyWhenEveryConditionHolds) {
    const ConditionCase& c = GetParam();
    const kub::AlarmRules rules = rulesOf(kTarget + "[[regel]]\nziele = [\"t\"]\n" + c.rule + "\n");
    kub::AlarmMatcher matcher(rules);
    EXPECT_EQ(matcher.match(c.record).size(), c.sent ? 1u : 0u) << c.rule;
}

INSTANTIATE_TEST_SUITE_P(
    Conditions, RuleTable,
    ::testing::Values(
        ConditionCase{"", fms("62341110", 3), true},
        ConditionCase{"wenn.protokoll = \"pocsag\"", page("1234567", 0), true},
        ConditionCase{"wenn.protokoll = \"pocsag\"", fms("62341110", 3), false},
        ConditionCase{"wenn.protokoll = [\"zvei\", \"einsatz\"]", incident(), true},
        ConditionCase{"wenn.ric = [\"1234567\"]", page("1234567", 0), true},
        ConditionCase{"wenn.ric = 1234567", page("1234567", 0), true},
        ConditionCase{"wenn.ric = [\"1234568\"]", page("1234567", 0), false},
        ConditionCase{"wenn.ric = [\"1234560-1234569\"]", page("1234560", 0), true},
        ConditionCase{"wenn.ric = [\"1234560-1234569\"]", page("1234569", 0), true},
        ConditionCase{"wenn.ric = [\"1234560-1234569\"]", page("1234570", 0), false},
        ConditionCase{"wenn.ric = [\"1234567\"]", incident(), true},
        ConditionCase{"wenn.ric = [\"1234567\"]", fms("62341110", 3), false},
        // Function and RIC of the same unit: 1234567 is called with d, 1000001 with a.
        ConditionCase{"wenn.ric = [\"1234567\"]\nwenn.funktion = \"d\"", incident(), true},
        ConditionCase{"wenn.ric = [\"1234567\"]\nwenn.funktion = 0", incident(), false},
        ConditionCase{"wenn.funktion = [1, 2]", page("1234567", 2), true},
        ConditionCase{"wenn.kennung = \"6234*\"", fms("62341110", 3), true},
        ConditionCase{"wenn.kennung = \"*1110\"", fms("62341110", 3), true},
        ConditionCase{"wenn.kennung = \"62*41*0\"", fms("62341110", 3), true},
        ConditionCase{"wenn.kennung = \"6235*\"", fms("62341110", 3), false},
        ConditionCase{"wenn.kennung = \"62341110\"", fms("62341111", 3), false},
        ConditionCase{"wenn.status = [3, 4]", fms("62341110", 4), true},
        ConditionCase{"wenn.status = [3, 4]", fms("62341110", 5), false},
        ConditionCase{"wenn.code = \"25431\"", zvei("25431"), true},
        ConditionCase{"wenn.code = 25431", zvei("25432"), false},
        ConditionCase{"wenn.code = \"2543*\"", incident(), true},
        ConditionCase{"wenn.text = \"Brand\"", page("1234567", 3, "B3 Brand Wohnhaus"), true},
        ConditionCase{"wenn.text = [\"^THL\", \"^RD\"]", page("1234567", 3, "B3 Brand Wohnhaus"), false},
        ConditionCase{"wenn.text = \".*\"", zvei("25431"), false},
        ConditionCase{"wenn.kanal = \"rechts\"", onChannel(page("1234567", 0), "right"), true},
        ConditionCase{"wenn.kanal = \"rechts\"", page("1234567", 0), false},
        ConditionCase{"wenn.kanal = \"right\"", incident(), true},
        ConditionCase{"wenn.standort = \"hier\"", page("1234567", 0), true},
        ConditionCase{"wenn.standort = \"Nord\"", from(page("1234567", 0), "Nord"), true},
        ConditionCase{"wenn.standort = [\"Nord\"]", page("1234567", 0), false},
        // Time windows: from the first second of the from-minute to the last of the to-minute.
        ConditionCase{"wenn.zeit = \"Mo-Fr 06:00-18:00\"", at(page("1", 0), local(7, 6, 0, 0)), true},
        ConditionCase{"wenn.zeit = \"Mo-Fr 06:00-18:00\"", at(page("1", 0), local(7, 5, 59, 59)), false},
        ConditionCase{"wenn.zeit = \"Mo-Fr 06:00-18:00\"", at(page("1", 0), local(7, 18, 0, 59)), true},
        ConditionCase{"wenn.zeit = \"Mo-Fr 06:00-18:00\"", at(page("1", 0), local(7, 18, 1, 0)), false},
        ConditionCase{"wenn.zeit = \"Mo-Fr 06:00-18:00\"", at(page("1", 0), local(12, 12, 0)), false},
        ConditionCase{"wenn.zeit = [\"Mo-Fr 06:00-18:00\", \"Sa\"]", at(page("1", 0), local(12, 23, 59)), true},
        // Across midnight: Sunday evening and the Monday morning after it.
        ConditionCase{"wenn.zeit = \"So 22:00-06:00\"", at(page("1", 0), local(13, 23, 0)), true},
        ConditionCase{"wenn.zeit = \"So 22:00-06:00\"", at(page("1", 0), local(7, 6, 0, 30)), true},
        ConditionCase{"wenn.zeit = \"So 22:00-06:00\"", at(page("1", 0), local(7, 22, 30)), false},
        ConditionCase{"ausser.probealarm = true", incident(true), false},
        ConditionCase{"ausser.probealarm = true", incident(false), true},
        ConditionCase{"ausser.probealarm = false", incident(true), true},
        ConditionCase{"aktiv = false", page("1234567", 0), false},
        // All conditions must hold.
        ConditionCase{"wenn.ric = \"1234567\"\nwenn.protokoll = \"fms\"", page("1234567", 0), false}));

TEST(AlarmRules, ARecordGoesToEachDestinationOnceInTheOrderTheRulesNameThem) {
    const kub::AlarmRules rules = rulesOf(kTarget + "[ziel.m]\nart = \"mqtt\"\nthema = \"a/b\"\n" +
                                          "[[regel]]\nziele = [\"m\"]\nwenn.ric = \"1234567\"\n"
                                          "[[regel]]\nziele = [\"t\", \"m\"]\nwenn.protokoll = \"pocsag\"\n"
                                          "[[regel]]\nziele = [\"t\"]\n");
    kub::AlarmMatcher matcher(rules);
    const auto& chosen = matcher.match(page("1234567", 0));
    ASSERT_EQ(chosen.size(), 2u);
    EXPECT_EQ(rules.targets[chosen[0]].name, "m");
    EXPECT_EQ(rules.targets[chosen[1]].name, "t");
}

struct FaultCase {
    const char* text;
    const char* where;  // "Zeile L, Spalte C"
    const char* says;
};

class FileFaults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FileFaults, RefuseTheFileSayingWhereAndWhy) {
    const FaultCase& c = GetParam();
    const kub::AlarmRulesRead read = kub::parseAlarmRules(kTarget + c.text);
    ASSERT_EQ(read.faults.size(), 1u) << c.text;
    EXPECT_EQ(read.faults[0].rfind(std::string("Alarmierung.toml, ") + c.where + ": ", 0), 0u) << read.faults[0];
    EXPECT_NE(read.faults[0].find(c.says), std::string::npos) << read.faults[0];
    EXPECT_TRUE(read.rules.rules.empty());
    EXPECT_TRUE(read.rules.targets.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FileFaults,
    ::testing::Values(
        FaultCase{"[[regel]]\nziele = [\"t\"]\nfarbe = 1\n", "Zeile 6, Spalte 9", "unbekannter Schlüssel \"farbe\""},
        FaultCase{"[[regel]]\nziele = [\"t\"]\nwenn.rics = [1]\n", "Zeile 6, Spalte 13", "unbekannter Schlüssel \"rics\""},
        FaultCase{"[[regel]]\nziele = [\"t\"]\naktiv = \"ja\"\n", "Zeile 6, Spalte 9", "true oder false"},
        FaultCase{"[[regel]]\nziele = [\"t\", \"handy\"]\n", "Zeile 5, Spalte 15", "\"handy\" ist kein Ziel"},
        FaultCase{"[[regel]]\nziele = [\"t\"]\nwenn.ric = [\"1234569-1234560\"]\n", "Zeile 6, Spalte 13",
                  "verkehrt herum"},
        FaultCase{"[[regel]]\nziele = [\"t\"]\nwenn.ric = [\"123456X\"]\n", "Zeile 6, Spalte 13", "keine RIC"},
        FaultCase{"[[regel]]\nziele = [\"t\"]\nwenn.zeit = \"Mo-Fr 06:00-25:00\"\n", "Zeile 6, Spalte 13",
                  "kein Zeitfenster"},
        FaultCase{"[[regel]]\nziele = [\"t\"]\nwenn.zeit = \"Mo-Xx 06:00-18:00\"\n", "Zeile 6, Spalte 13",
                  "kein Zeitfenster"},
        FaultCase{"[[regel]]\nziele = [\"t\"]\nwenn.text = \"B3 (Brand\"\n", "Zeile 6, Spalte 13",
                  "ungültiger regulärer Ausdruck"},
        FaultCase{"[[regel]]\nziele = [\"t\"]\nwenn.status = 16\n", "Zeile 6, Spalte 15", "0 bis 15"},
        FaultCase{"[[regel]]\nwenn.ric = 1\n", "Zeile 4, Spalte 1", "ohne ziele"},
        FaultCase{"[ziel.u]\nart = \"webhook\"\nurl = \"ntfy.sh/feuerwehr\"\n", "Zeile 6, Spalte 7", "url ohne Schema"},
        FaultCase{"[ziel.u]\nart = \"fax\"\n", "Zeile 5, Spalte 7", "unbekannte Art \"fax\""},
        FaultCase{"[ziel.u]\nart = \"mail\"\nserver = \"mail.example.org\"\nvon = \"a@b\"\nan = [\"c@d\"]\n",
                  "Zeile 6, Spalte 10", "server ohne Schema"},
        FaultCase{"[ziel.u]\nart = \"webhook\"\nurl = \"http://x/\"\ninhalt = \"{{text\"\n", "Zeile 7, Spalte 10",
                  "\"{{\" ohne \"}}\""},
        FaultCase{"[ziel.u]\nart = \"mqtt\"\nthema = \"a/#\"\n", "Zeile 6, Spalte 9", "ohne + und #"},
        FaultCase{"[regeln]\n", "Zeile 4, Spalte 1", "unbekannter Schlüssel \"regeln\""},
        FaultCase{"[[regel]]\nziele = [\"t\"\n", "Zeile 5, Spalte 14", "fehlerhaftes TOML"}));

// --- Messages -----------------------------------------------------------------------------

kub::AlarmMessage messageFor(const std::string& target, const ReceptionRecord& r, std::vector<std::string>& missing,
                             bool test = false) {
    const kub::AlarmRules rules = rulesOf(target);
    return kub::alarmMessage(rules.targets.at(0), rules.templates.at(0), kub::alarmFields(r, "ID1", test), r.seconds,
                             missing);
}

struct TemplateCase {
    const char* inhalt;
    ReceptionRecord record;
    const char* body;
    std::vector<std::string> missing;
};

class Templates : public ::testing::TestWithParam<TemplateCase> {};

TEST_P(Templates, FillTheRecordsFieldsAndLeaveUnknownOnesEmpty) {
    const TemplateCase& c = GetParam();
    std::vector<std::string> missing;
    const kub::AlarmMessage m = messageFor(
        std::string("[ziel.w]\nart = \"webhook\"\nurl = \"http://x/\"\ninhalt = '") + c.inhalt + "'\n", c.record, missing);
    EXPECT_EQ(m.body, c.body);
    EXPECT_EQ(missing, c.missing);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, Templates,
    ::testing::Values(
        TemplateCase{"{{ric}}{{function}}: {{ text }}", page("1234567", 3, "B3 Brand"), "12345673: B3 Brand", {}},
        TemplateCase{"{{felder.stichwort}} – {{einheiten}} ({{einsatz_nr}})", incident(), "B3 – LF 1, 1234567, Sirene (4)",
                     {}},
        TemplateCase{"Alarm {{id}} {{code}}{{felder.adresse}}", incident(), "Alarm ID1 ",
                     {"inhalt: code", "inhalt: felder.adresse"}},
        TemplateCase{"{ \"text\": \"{{text}}\" }", zvei("25431"), "{ \"text\": \"\" }", {"inhalt: text"}}));

TEST(AlarmMessages, NoFieldCanStartAHeaderOrASubjectLine) {
    std::vector<std::string> missing;
    const ReceptionRecord evil = page("1234567", 0, "B3\r\nBcc: alle@example.org\nX: y");
    const kub::AlarmMessage mail = messageFor(
        "[ziel.m]\nart = \"mail\"\nserver = \"smtp://127.0.0.1:25\"\nvon = \"a@b\"\nan = [\"c@d\"]\n"
        "betreff = \"Alarm {{text}}\"\n",
        evil, missing);
    EXPECT_EQ(mail.subject, "Alarm B3  Bcc: alle@example.org X: y");
    const kub::AlarmMessage hook = messageFor(
        "[ziel.w]\nart = \"webhook\"\nurl = \"http://x/\"\nkopf = { X-Stichwort = \"{{text}}\" }\n", evil, missing);
    ASSERT_EQ(hook.headers.size(), 1u);
    EXPECT_EQ(hook.headers[0].first, "X-Stichwort");
    EXPECT_EQ(hook.headers[0].second.find_first_of("\r\n"), std::string::npos);
}

TEST(AlarmMessages, DefaultBodyIsTheRecordsJsonWithItsIdAndTheTestMark) {
    std::vector<std::string> missing;
    const kub::AlarmMessage m =
        messageFor("[ziel.m]\nart = \"mqtt\"\nthema = \"feuerwehr/alarm\"\n", incident(), missing, true);
    const nlohmann::json j = nlohmann::json::parse(m.body);
    EXPECT_EQ(m.body.rfind("{\"id\":\"ID1\",\"test\":true,", 0), 0u) << m.body;
    EXPECT_EQ(j["einsatz_nr"], 4);
    EXPECT_EQ(j["protocol"], "einsatz");
    EXPECT_EQ(j["einheiten"].size(), 3u);
    EXPECT_TRUE(m.test);
    EXPECT_EQ(m.id, "ID1");
}

// --- The output --------------------------------------------------------------------------

class RecordingDispatch final : public kub::AlarmDispatch {
public:
    void post(const kub::AlarmMessage& m) override { posted.push_back(m); }
    std::vector<kub::AlarmTargetState> states() const override { return {}; }
    std::vector<kub::AlarmMessage> posted;
};

class RulesOutput : public ::testing::Test {
protected:
    void SetUp() override { dir = kubtest::makeTempDir("kub-alarm-rules"); }
    void TearDown() override { kubtest::removeTree(dir); }
    // A new file, with a modification time the output cannot take for the old one.
    void write(const std::string& text) {
        const std::string path = dir + "/Alarmierung.toml";
        std::ofstream(path + ".neu") << text;
        std::filesystem::rename(path + ".neu", path);
        std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() + std::chrono::seconds(++age));
    }
    std::string dir;
    int age = 0;
};

TEST_F(RulesOutput, ABrokenFileKeepsTheLastGoodRulesAndIsSaidOnce) {
    write(kTarget + "[[regel]]\nziele = [\"t\"]\nwenn.ric = \"1234567\"\n");
    kub::ManualClock clock(local(7, 12, 0));
    RecordingDispatch dispatch;
    std::vector<std::string> said;
    std::vector<std::vector<kub::AlarmTarget>> handedOn;
    kub::AlarmRulesOutput out(dir, clock, dispatch,
                              {[&](std::vector<kub::AlarmTarget> t) { handedOn.push_back(std::move(t)); },
                               [&](const std::string& line, bool fault) {
                                   if (fault) said.push_back(line);
                               }});
    ASSERT_EQ(handedOn.size(), 1u);
    EXPECT_EQ(handedOn[0].at(0).url, "http://127.0.0.1:9/");

    write(kTarget + "[[regel]]\nziele = [\"t\"]\nwenn.ric = \"1234567-\"\n");
    clock.advance(kub::AlarmRulesOutput::kLookSeconds);
    out.deliver(page("1234567", 0));
    clock.advance(kub::AlarmRulesOutput::kLookSeconds);
    out.deliver(page("1234567", 0));
    ASSERT_EQ(dispatch.posted.size(), 2u);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].find("Zeile 6, Spalte 12"), std::string::npos) << said[0];
    EXPECT_NE(said[0].find("bisherigen Alarmregeln (1)"), std::string::npos) << said[0];
    EXPECT_NE(dispatch.posted[0].id, dispatch.posted[1].id);

    // Mended: the new rules hold from the next look on, their targets go to the delivery.
    write(kTarget + "[[regel]]\nziele = [\"t\"]\nwenn.ric = \"1765432\"\n");
    clock.advance(kub::AlarmRulesOutput::kLookSeconds);
    out.deliver(page("1234567", 0));
    EXPECT_EQ(dispatch.posted.size(), 2u);
    EXPECT_EQ(handedOn.size(), 2u);
    EXPECT_EQ(said.size(), 1u) << said.back();
}

TEST_F(RulesOutput, AMissingFieldIsSaidOncePerPlace) {
    write("[ziel.t]\nart = \"programm\"\npfad = \"/bin/true\"\nargumente = [\"{{ric}}\", \"{{code}}\"]\n"
          "[[regel]]\nziele = [\"t\"]\n");
    kub::ManualClock clock(local(7, 12, 0));
    RecordingDispatch dispatch;
    std::vector<std::string> said;
    kub::AlarmRulesOutput out(dir, clock, dispatch, {nullptr, [&](const std::string& line, bool fault) {
                                                         if (fault) said.push_back(line);
                                                     }});
    out.deliver(page("1234567", 0));
    out.deliver(page("1234568", 0));
    ASSERT_EQ(dispatch.posted.size(), 2u);
    EXPECT_EQ(dispatch.posted[1].arguments, (std::vector<std::string>{"1234568", ""}));
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].find("[ziel.t] argumente: das Feld \"code\""), std::string::npos) << said[0];
}

}  // namespace
