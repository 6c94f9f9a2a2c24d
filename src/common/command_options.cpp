#include "common/command_options.h"

#include <algorithm>

#include "common/decimal_number.h"
#include "common/whole_number.h"

namespace kub {

CommandOptions& CommandOptions::flag(std::string name, bool& on) {
    options_.push_back({std::move(name), &on, {}});
    return *this;
}

CommandOptions& CommandOptions::value(std::string name, Check take, bool mayBeLast) {
    options_.push_back({std::move(name), nullptr, std::move(take), mayBeLast});
    return *this;
}

CommandOptions& CommandOptions::text(std::string name, std::string& value, Check check) {
    return this->value(std::move(name), [&value, check = std::move(check)](const std::string& v) {
        if (check)
            if (std::string why = check(v); !why.empty()) return why;
        value = v;
        return std::string();
    });
}

CommandOptions& CommandOptions::number(std::string name, int& value, long lowest, long highest, std::string wrong) {
    return this->value(std::move(name), [&value, lowest, highest, wrong = std::move(wrong)](const std::string& v) {
        const auto n = wholeNumber(v, lowest, highest);
        if (!n) return wrong;
        value = static_cast<int>(*n);
        return std::string();
    });
}

CommandOptions& CommandOptions::decimal(std::string name, double& value, double lowest, double highest,
                                        std::string wrong) {
    return this->value(std::move(name), [&value, lowest, highest, wrong = std::move(wrong)](const std::string& v) {
        const auto n = decimalNumber(v, lowest, highest);
        if (!n) return wrong;
        value = *n;
        return std::string();
    });
}

CommandOptions& CommandOptions::attached(std::string prefix, Check take) {
    options_.push_back({std::move(prefix), nullptr, std::move(take), false, true});
    return *this;
}

CommandOptions& CommandOptions::words(std::vector<std::string>& words) {
    words_ = &words;
    return *this;
}

std::optional<CommandOptions::Refusal> CommandOptions::parse(const std::vector<std::string>& args) const {
    using Kind = Refusal::Kind;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const auto it = std::find_if(options_.begin(), options_.end(), [&](const Option& o) {
            return o.attached ? a.rfind(o.name, 0) == 0 : o.name == a;
        });
        if (it == options_.end()) {
            const bool word = a == "-" || a.empty() || a.front() != '-';
            if (!word || !words_) return Refusal{Kind::Unknown, a};
            words_->push_back(a);
        } else if (it->on) {
            *it->on = true;
        } else if (it->attached) {
            if (std::string why = it->take(a.substr(it->name.size())); !why.empty())
                return Refusal{Kind::BadValue, why};
        } else if (i + 1 >= args.size() && !it->mayBeLast) {
            return Refusal{Kind::NoValue, a};
        } else if (std::string why = it->take(i + 1 < args.size() ? args[++i] : std::string());
                   !why.empty()) {
            return Refusal{Kind::BadValue, why};
        }
    }
    return std::nullopt;
}

}  // namespace kub
