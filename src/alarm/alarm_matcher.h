#pragma once
// Which destinations a record goes to. All conditions of a rule must hold, a list holds
// when one of its elements does; a rule switched off (aktiv = false) sends nothing. A
// record that several rules send to the same destination goes there once. What the
// conditions ask of a record (its RICs as numbers, its local time) is read from it once,
// not once per rule.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "alarm/alarm_rules.h"
#include "core/reception_record.h"

namespace kub {

class AlarmMatcher {
public:
    // `rules` must outlive the matcher.
    explicit AlarmMatcher(const AlarmRules& rules);

    // The destinations of `record` (indices into the rules' targets), in the order the
    // rules first name them. Valid until the next call.
    const std::vector<std::size_t>& match(const ReceptionRecord& record);

    // Per rule, for "kubmon regeln erklaeren": nullptr when it holds (or is switched
    // off), else the first condition that did not hold.
    struct Verdict {
        bool holds = false;
        const Condition* failed = nullptr;
    };
    std::vector<Verdict> explain(const ReceptionRecord& record);

private:
    struct Facts;
    const Condition* firstFailing(const AlarmRule& rule, Facts& facts) const;
    // The rules that can hold for `facts` at all, in file order.
    const std::vector<std::size_t>& candidates(const Facts& facts);

    // A rule's RIC range, for finding the rules a RIC can meet without asking every rule.
    struct RangeOf {
        std::uint32_t low;
        std::uint32_t high;
        std::size_t rule;
    };

    const AlarmRules& rules_;
    // Per protocol: the active rules without a RIC condition whose protocol condition
    // allows it.
    std::vector<std::vector<std::size_t>> general_;
    // The RIC ranges of every active rule that asks for RICs, sorted by `low`, and the
    // highest `high` up to each of them.
    std::vector<RangeOf> ranges_;
    std::vector<std::uint32_t> highestSoFar_;
    std::vector<std::size_t> candidates_;
    std::vector<std::size_t> chosen_;
    std::vector<char> seen_;
};

}  // namespace kub
