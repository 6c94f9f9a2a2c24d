// "Alarmierung.toml": every key read, a broken file said with line and column while the
// defaults hold, bad values said and left out, tables of other parts left alone; and the
// test-alarm windows at their edges.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/test_alarm.h"
#include "storage/alarm_settings.h"
#include "support/run_process.h"

namespace kub {
namespace {

std::string allMessages(const std::vector<std::string>& m) {
    std::string all;
    for (const auto& line : m) all += line + "\n";
    return all;
}

TEST(AlarmSettings, EveryKeyIsReadAndOtherTablesAreLeftAlone) {
    std::vector<std::string> messages;
    const AlarmSettings s = parseAlarmSettings(R"(
[einsatz]
fenster_s = 15
nachlauf_s = 2.5
tcp_zeile = true
aktionsprogramm = true

[[probealarm]]
tage = "Sa"
von = "12:00"
bis = "12:15"
ric = ["1234567", 1234568]
code = ["25431", 1234]

[[probealarm]]
tage = ["Mo", "Mi-Fr"]
von = "23:30"
bis = "0:10"

[[feld]]
muster = '^(?<stichwort>\S+)\s+(?<text>.*?),\s*(?<adresse>[^,]+)$'

[[feld]]
name = "objekt"
muster = 'Obj\. \S+'

[ziel.handy]
art = "webhook"
url = "http://127.0.0.1:1/"

[[regel]]
name = "Wache"
ziele = ["handy"]
)",
                                               messages);
    EXPECT_TRUE(messages.empty()) << allMessages(messages);
    EXPECT_EQ(s.windowSeconds, 15);
    EXPECT_EQ(s.followSeconds, 2.5);
    EXPECT_TRUE(s.exportLine);
    EXPECT_TRUE(s.actionProgram);
    ASSERT_EQ(s.testAlarms.size(), 2u);
    EXPECT_EQ(s.testAlarms[0].days, 1u << 5);
    EXPECT_EQ(s.testAlarms[0].from, 12 * 60);
    EXPECT_EQ(s.testAlarms[0].to, 12 * 60 + 15);
    EXPECT_EQ(s.testAlarms[0].rics, (std::vector<std::string>{"1234567", "1234568"}));
    EXPECT_EQ(s.testAlarms[0].codes, (std::vector<std::string>{"25431", "01234"}));
    EXPECT_EQ(s.testAlarms[1].days, 0b11101u);
    ASSERT_EQ(s.fields.size(), 2u);
    EXPECT_EQ(s.fields[1].name, "objekt");
}

TEST(AlarmSettings, FaultsAreSaidWithLineAndColumnAndTheRestHolds) {
    struct Case {
        const char* what;
        const char* text;
        const char* said;  // part of the one message
        double windowSeconds;
        std::size_t testAlarms;
        std::size_t fields;
    };
    const Case cases[] = {
        {"no TOML at all: the defaults", "[einsatz]\nfenster_s = 20\nnachlauf_s = = 3\n",
         "Alarmierung.toml, Zeile 3, Spalte 14:", 10, 0, 0},
        {"a window over a minute", "[einsatz]\n  fenster_s = 100\n", "Zeile 2, Spalte 15: fenster_s muss eine Zahl von 1 bis 60",
         10, 0, 0},
        {"a day that is none", "[[probealarm]]\ntage = \"Sa-Xy\"\nvon = \"12:00\"\nbis = \"12:15\"\n",
         "Zeile 2, Spalte 8: tage:", 10, 0, 0},
        {"a time that is none", "[[probealarm]]\nvon = \"25:00\"\nbis = \"12:15\"\n", "Zeile 2, Spalte 7: von:", 10, 0, 0},
        {"no end", "[[probealarm]]\nvon = \"12:00\"\n", "[[probealarm]] ohne bis", 10, 0, 0},
        {"a broken expression, the next one holds",
         "[[feld]]\nmuster = '(?<stichwort>B[0-9]'\n[[feld]]\nmuster = '(?<adresse>Hauptstr)'\n",
         "Zeile 2, Spalte 10: muster: ungültiger regulärer Ausdruck", 10, 0, 1},
        {"a misspelt key", "[einsatz]\nfenster = 20\n", "unbekannter Schlüssel \"fenster\" in [einsatz]", 10, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> messages;
        const AlarmSettings s = parseAlarmSettings(c.text, messages);
        ASSERT_EQ(messages.size(), 1u) << allMessages(messages);
        EXPECT_NE(messages[0].find(c.said), std::string::npos) << messages[0];
        EXPECT_EQ(s.windowSeconds, c.windowSeconds);
        EXPECT_EQ(s.testAlarms.size(), c.testAlarms);
        EXPECT_EQ(s.fields.size(), c.fields);
    }
}

TEST(TestAlarm, WindowsHoldFromTheirFirstToTheEndOfTheirLastMinute) {
    std::vector<std::string> messages;
    const AlarmSettings s = parseAlarmSettings(R"(
[[probealarm]]
tage = "Sa"
von = "12:00"
bis = "12:15"
ric = ["1234567", "1234568"]
[[probealarm]]
tage = "Fr"
von = "23:50"
bis = "00:05"
)",
                                               messages);
    ASSERT_TRUE(messages.empty()) << allMessages(messages);
    const std::vector<Einheit> own = {{"1234567", 3, "", "", 0}, {"1234568", 0, "", "", 0}};
    const std::vector<Einheit> withOther = {{"1234567", 3, "", "", 0}, {"7654321", 3, "", "", 0}};
    struct Case {
        int day, hour, minute, second;  // December 2026: the 12th is a Saturday
        const std::vector<Einheit>* units;
        bool test;
    };
    const Case cases[] = {
        {12, 11, 59, 59, &own, false}, {12, 12, 0, 0, &own, true},    {12, 12, 15, 59, &own, true},
        {12, 12, 16, 0, &own, false},  {11, 12, 5, 0, &own, false},   {12, 12, 5, 0, &withOther, false},
        {11, 23, 49, 59, &own, false}, {11, 23, 50, 0, &own, true},   {12, 0, 5, 59, &own, true},
        {12, 0, 6, 0, &own, false},    {13, 0, 1, 0, &own, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.day) + ". " + std::to_string(c.hour) + ":" + std::to_string(c.minute) + ":" +
                     std::to_string(c.second));
        EXPECT_EQ(isTestAlarm(s.testAlarms, kubtest::localEpoch(2026, 12, c.day, c.hour, c.minute, c.second), *c.units),
                  c.test);
    }
}

}  // namespace
}  // namespace kub
