// The rules and destinations of "Alarmierung.toml" as the monitor reads them, then used
// as it uses them: records of every protocol judged and made into messages. Whatever a
// user writes must end in rules or faults, never a crash or a hang.

#include <cstdint>
#include <string>
#include <vector>

#include "alarm/alarm_matcher.h"
#include "alarm/alarm_messages.h"
#include "alarm/alarm_rules_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const kub::AlarmRulesRead read = kub::parseAlarmRules(text);
    if (!read.faults.empty() && (!read.rules.rules.empty() || !read.rules.targets.empty())) std::abort();
    if (read.rules.templates.size() != read.rules.targets.size()) std::abort();
    kub::AlarmMatcher matcher(read.rules);
    std::vector<kub::ReceptionRecord> records(3);
    records[0].protocol = kub::RecordProtocol::Pocsag;
    records[0].ric = "1234567";
    records[0].function = 3;
    records[0].text = text.substr(0, 200);
    records[1].protocol = kub::RecordProtocol::Fms;
    records[1].kennung = "62341110";
    records[1].status = 3;
    records[2].protocol = kub::RecordProtocol::Einsatz;
    records[2].einheiten = {{"1234567", 3, "", "LF", 0}, {"", -1, "25431", "", 0}};
    records[2].felder = {{"stichwort", "B3"}};
    for (double t = 1796738700; t < 1796738700 + 7 * 86400; t += 5 * 3600 + 17 * 60) {
        for (auto& r : records) {
            r.seconds = t;
            r.time = "2026-12-08T13:05:07+01:00";
            for (std::size_t target : matcher.match(r)) {
                std::vector<std::string> missing;
                (void)kub::alarmMessage(read.rules.targets[target], read.rules.templates[target],
                                        kub::alarmFields(r, "1-1-x", false), r.seconds, missing);
            }
        }
    }
    return 0;
}
