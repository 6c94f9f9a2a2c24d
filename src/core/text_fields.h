#pragma once
// The fields of an alarm text (keyword, address, object, ...) by the [[feld]] entries of
// "Alarmierung.toml"; without entries, the leading keyword ("B3", "THL1", "RD 1").

#include <string>
#include <utility>
#include <vector>

#include "common/named_pattern.h"
#include "storage/alarm_settings.h"

namespace kub {

class TextFields {
public:
    TextFields() : TextFields(std::vector<FieldRule>{}) {}
    explicit TextFields(const std::vector<FieldRule>& rules);

    // Every entry in order; a field found by an earlier entry keeps its value. Empty
    // values are left out.
    std::vector<std::pair<std::string, std::string>> read(const std::string& text) const;

private:
    struct Rule {
        std::string name;
        NamedPattern pattern;
    };
    std::vector<Rule> rules_;
};

}  // namespace kub
