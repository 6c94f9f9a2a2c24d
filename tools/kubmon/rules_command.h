#pragma once
// What "kubmon regeln" and its three verbs share.

#include <functional>
#include <string>
#include <vector>

#include "alarm/alarm_rules.h"

namespace kubmon {

struct RulesFile {
    std::string error;                // the file cannot be read at all
    std::vector<std::string> faults;  // what is wrong in it, with line and column
    kub::AlarmRules rules;            // when there is no fault
};

// "Alarmierung.toml" of `folder`, its rules and the incidents' tables checked alike.
RulesFile readRulesFile(const std::string& folder);

// Says what is wrong with `file`, each fault a line; true when its rules can be used.
bool usable(const RulesFile& file, const std::function<void(const std::string&)>& say);

// "kubmon regeln erklaeren": for every record of `input` (a recording, or JSON Lines of
// records) which rules send it where, and for every other rule the first condition that
// did not hold. Sends nothing.
int explainCommand(const std::string& folder, const std::string& input);

}  // namespace kubmon
