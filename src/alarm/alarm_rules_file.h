#pragma once
// The destinations ([ziel.NAME]) and rules ([[regel]]) of "Alarmierung.toml". The file is
// taken whole or not at all: a rule that is half understood could send an alarm to the
// wrong people or none, so any fault refuses the file and the caller keeps what it had.
// Every fault is one German line with file, line and column. The other tables of the
// file ([einsatz], [[probealarm]], [[feld]]) belong to the incidents and are left alone.

#include <string>
#include <string_view>
#include <vector>

#include "alarm/alarm_rules.h"

namespace kub {

struct AlarmRulesRead {
    AlarmRules rules;
    std::vector<std::string> faults;  // empty: the rules are good
};

AlarmRulesRead parseAlarmRules(std::string_view text);

}  // namespace kub
