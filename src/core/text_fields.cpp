#include "core/text_fields.h"

#include <algorithm>

namespace kub {

namespace {

// One to four capitals, an optional space, one or two digits and an optional capital,
// at the start and standing alone: "B3", "THL1", "RD 1", "F2", "H1", "B2Y". A street
// number or postcode further on is no keyword.
constexpr const char* kLeadingKeyword = R"(^\s*(?<stichwort>[A-Z]{1,4} ?[0-9]{1,2}[A-Z]?)(?![0-9A-Za-z]))";
constexpr std::size_t kLongestValue = 500;
constexpr std::size_t kMostFields = 50;

}  // namespace

TextFields::TextFields(const std::vector<FieldRule>& rules) {
    for (const FieldRule& r : rules) {
        NamedPattern p(r.pattern);
        if (p.valid()) rules_.push_back({r.name, std::move(p)});
    }
    if (rules_.empty()) rules_.push_back({"", NamedPattern(kLeadingKeyword)});
}

std::vector<std::pair<std::string, std::string>> TextFields::read(const std::string& text) const {
    std::vector<std::pair<std::string, std::string>> fields;
    const auto add = [&](const std::string& name, const std::string& value) {
        if (value.empty() || fields.size() >= kMostFields) return;
        if (std::any_of(fields.begin(), fields.end(), [&](const auto& f) { return f.first == name; })) return;
        fields.emplace_back(name, value.substr(0, kLongestValue));
    };
    for (const Rule& r : rules_) {
        std::string whole;
        const auto found = r.pattern.match(text, &whole);
        for (const auto& [name, value] : found) add(name, value);
        if (r.pattern.names().empty() && !r.name.empty()) add(r.name, whole);
    }
    return fields;
}

}  // namespace kub
