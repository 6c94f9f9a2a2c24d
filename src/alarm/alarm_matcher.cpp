#include "alarm/alarm_matcher.h"

#include <algorithm>
#include <cstdint>

#include "common/clock.h"
#include "common/week_time.h"
#include "common/whole_number.h"

namespace kub {

namespace {

struct Unit {
    std::int64_t ric = -1;  // -1: none (a ZVEI code)
    int function = -1;
    const std::string* code = nullptr;
};

std::int64_t ricNumber(const std::string& ric) {
    if (ric.empty() || ric.size() > 7 || !std::all_of(ric.begin(), ric.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return -1;
    return wholeNumber(ric, 0, 9999999).value_or(-1);
}

std::uint32_t channelBit(const std::string& channel) {
    if (channel == "left") return 1;
    if (channel == "right") return 2;
    return 0;
}

bool inRanges(const std::vector<RicRange>& ranges, std::int64_t ric) {
    return ric >= 0 && std::any_of(ranges.begin(), ranges.end(), [ric](const RicRange& r) {
               return ric >= r.low && ric <= r.high;
           });
}

bool anyWildcard(const std::vector<Wildcard>& wildcards, const std::string& text) {
    return !text.empty() &&
           std::any_of(wildcards.begin(), wildcards.end(), [&](const Wildcard& w) { return w.matches(text); });
}

}  // namespace

bool Wildcard::matches(const std::string& text) const {
    if (parts.empty()) return openStart || text.empty();
    std::size_t at = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        const bool first = i == 0, last = i + 1 == parts.size();
        if (first && !openStart) {
            if (text.compare(0, part.size(), part) != 0) return false;
            at = part.size();
            if (last && !openEnd) return text.size() == part.size();
            continue;
        }
        if (last && !openEnd) {
            return text.size() >= at + part.size() && text.compare(text.size() - part.size(), part.size(), part) == 0;
        }
        const std::size_t found = text.find(part, at);
        if (found == std::string::npos) return false;
        at = found + part.size();
    }
    return true;
}

const char* conditionKey(ConditionKind kind) {
    switch (kind) {
        case ConditionKind::Protokoll: return "wenn.protokoll";
        case ConditionKind::Kanal: return "wenn.kanal";
        case ConditionKind::Standort: return "wenn.standort";
        case ConditionKind::Ric: return "wenn.ric";
        case ConditionKind::Funktion: return "wenn.funktion";
        case ConditionKind::Status: return "wenn.status";
        case ConditionKind::Kennung: return "wenn.kennung";
        case ConditionKind::Code: return "wenn.code";
        case ConditionKind::Zeit: return "wenn.zeit";
        case ConditionKind::Text: return "wenn.text";
        case ConditionKind::Probealarm: return "ausser.probealarm";
    }
    return "";
}

// What the conditions ask of one record, read once for all rules.
struct AlarmMatcher::Facts {
    const ReceptionRecord& r;
    std::uint32_t protocolBit = 0;
    std::uint32_t channelBits = 0;
    // POCSAG: its RIC; incidents: every unit called.
    std::vector<Unit> units;
    bool hasText = false;
    // Local time, read when the first rule asks for it.
    int day = -1;
    int minute = -1;

    explicit Facts(const ReceptionRecord& record) : r(record) {
        protocolBit = 1u << static_cast<int>(record.protocol);
        channelBits = channelBit(record.channel);
        for (const std::string& c : record.channels) channelBits |= channelBit(c);
        if (record.protocol == RecordProtocol::Pocsag) units.push_back({ricNumber(record.ric), record.function, nullptr});
        if (record.protocol == RecordProtocol::Zvei) units.push_back({-1, -1, &record.code});
        for (const Einheit& e : record.einheiten)
            units.push_back({e.ric.empty() ? -1 : ricNumber(e.ric), e.function, e.ric.empty() ? &e.code : nullptr});
        hasText = record.protocol == RecordProtocol::Fms || record.protocol == RecordProtocol::Pocsag ||
                  record.protocol == RecordProtocol::Einsatz;
    }

    void readTime() {
        if (day >= 0) return;
        const LocalTime t = toLocalTime(r.seconds);
        day = weekdayOf(t);
        minute = t.hour * 60 + t.minute;
    }
};

namespace {

bool siteHolds(const Condition& c, const ReceptionRecord& r) {
    if (c.here && r.site.empty()) return true;
    return std::any_of(c.sites.begin(), c.sites.end(), [&](const std::string& s) {
        return s == r.site || std::find(r.sites.begin(), r.sites.end(), s) != r.sites.end();
    });
}

}  // namespace

const Condition* AlarmMatcher::firstFailing(const AlarmRule& rule, Facts& f) const {
    const Condition* ricCondition = nullptr;
    for (const Condition& c : rule.conditions) {
        bool holds = false;
        switch (c.kind) {
            case ConditionKind::Protokoll: holds = (c.bits & f.protocolBit) != 0; break;
            case ConditionKind::Kanal: holds = (c.bits & f.channelBits) != 0; break;
            case ConditionKind::Standort: holds = siteHolds(c, f.r); break;
            case ConditionKind::Ric:
                ricCondition = &c;
                holds = std::any_of(f.units.begin(), f.units.end(), [&](const Unit& u) { return inRanges(c.rics, u.ric); });
                break;
            case ConditionKind::Funktion:
                // The same unit must be one of the RICs asked for and have the function.
                holds = std::any_of(f.units.begin(), f.units.end(), [&](const Unit& u) {
                    return u.function >= 0 && (c.bits >> u.function & 1u) && (!ricCondition || inRanges(ricCondition->rics, u.ric));
                });
                break;
            case ConditionKind::Status:
                holds = f.r.protocol == RecordProtocol::Fms && f.r.status >= 0 && (c.bits >> f.r.status & 1u);
                break;
            case ConditionKind::Kennung:
                holds = f.r.protocol == RecordProtocol::Fms && anyWildcard(c.wildcards, f.r.kennung);
                break;
            case ConditionKind::Code:
                holds = std::any_of(f.units.begin(), f.units.end(),
                                    [&](const Unit& u) { return u.code && anyWildcard(c.wildcards, *u.code); });
                break;
            case ConditionKind::Zeit:
                f.readTime();
                holds = std::any_of(c.times.begin(), c.times.end(), [&](const TimeWindow& w) {
                    return inWeekWindow(w.days, w.from, w.to, f.day, f.minute);
                });
                break;
            case ConditionKind::Text:
                holds = f.hasText && std::any_of(c.patterns.begin(), c.patterns.end(),
                                                 [&](const auto& p) { return p->found(f.r.text); });
                break;
            case ConditionKind::Probealarm: holds = !f.r.probealarm; break;
        }
        if (!holds) return &c;
    }
    return nullptr;
}

namespace {
constexpr int kProtocols = static_cast<int>(RecordProtocol::Einsatz) + 1;
}  // namespace

AlarmMatcher::AlarmMatcher(const AlarmRules& rules)
    : rules_(rules), general_(kProtocols), seen_(rules.targets.size(), 0) {
    for (std::size_t i = 0; i < rules.rules.size(); ++i) {
        const AlarmRule& rule = rules.rules[i];
        if (!rule.active) continue;
        const Condition* ric = nullptr;
        std::uint32_t protocols = ~0u;
        for (const Condition& c : rule.conditions) {
            if (c.kind == ConditionKind::Ric) ric = &c;
            if (c.kind == ConditionKind::Protokoll) protocols = c.bits;
        }
        if (ric) {
            for (const RicRange& r : ric->rics) ranges_.push_back({r.low, r.high, i});
            continue;
        }
        for (int p = 0; p < kProtocols; ++p)
            if (protocols >> p & 1u) general_[static_cast<std::size_t>(p)].push_back(i);
    }
    std::sort(ranges_.begin(), ranges_.end(), [](const RangeOf& a, const RangeOf& b) { return a.low < b.low; });
    std::uint32_t highest = 0;
    for (const RangeOf& r : ranges_) highestSoFar_.push_back(highest = std::max(highest, r.high));
}

const std::vector<std::size_t>& AlarmMatcher::candidates(const Facts& f) {
    candidates_ = general_[static_cast<std::size_t>(f.r.protocol)];
    bool asked = false;
    for (const Unit& u : f.units) {
        if (u.ric < 0) continue;
        const auto ric = static_cast<std::uint32_t>(u.ric);
        // Every range that can hold `ric` begins at or below it; going down from the last of
        // them, nothing further down reaches up to it once the highest end so far is below.
        auto at = std::upper_bound(ranges_.begin(), ranges_.end(), ric,
                                   [](std::uint32_t v, const RangeOf& r) { return v < r.low; });
        for (std::size_t i = static_cast<std::size_t>(at - ranges_.begin()); i-- > 0 && highestSoFar_[i] >= ric;) {
            if (ranges_[i].high >= ric) {
                candidates_.push_back(ranges_[i].rule);
                asked = true;
            }
        }
    }
    if (asked) {
        std::sort(candidates_.begin(), candidates_.end());
        candidates_.erase(std::unique(candidates_.begin(), candidates_.end()), candidates_.end());
    }
    return candidates_;
}

const std::vector<std::size_t>& AlarmMatcher::match(const ReceptionRecord& record) {
    for (std::size_t t : chosen_) seen_[t] = 0;
    chosen_.clear();
    Facts facts(record);
    for (std::size_t index : candidates(facts)) {
        const AlarmRule& rule = rules_.rules[index];
        // Nothing new to gain from a rule whose destinations are all chosen already.
        if (std::all_of(rule.targets.begin(), rule.targets.end(), [&](std::size_t t) { return seen_[t] != 0; }))
            continue;
        if (firstFailing(rule, facts)) continue;
        for (std::size_t t : rule.targets) {
            if (seen_[t]) continue;
            seen_[t] = 1;
            chosen_.push_back(t);
        }
    }
    return chosen_;
}

std::vector<AlarmMatcher::Verdict> AlarmMatcher::explain(const ReceptionRecord& record) {
    std::vector<Verdict> out;
    Facts facts(record);
    for (const AlarmRule& rule : rules_.rules) {
        Verdict v;
        v.failed = firstFailing(rule, facts);
        v.holds = rule.active && !v.failed;
        out.push_back(v);
    }
    return out;
}

}  // namespace kub
