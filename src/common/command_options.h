#pragma once
// The options of one command line: flags, options with a value, and the free words
// between them, in any order. A value is checked where it is taken, and what is wrong is
// said in German; the command decides how to answer (its usage, its exit status).

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kub {

class CommandOptions {
public:
    // Empty when the value will do; otherwise the German reason why not.
    using Check = std::function<std::string(const std::string& value)>;

    CommandOptions& flag(std::string name, bool& on);
    // Each value of the option to `take` (an option given twice is taken twice). With
    // `mayBeLast` the option may end the line; `take` then gets an empty value and says
    // what is missing itself.
    CommandOptions& value(std::string name, Check take, bool mayBeLast = false);
    CommandOptions& text(std::string name, std::string& value, Check check = {});
    // A whole number from `lowest` to `highest`; anything else is refused with `wrong`.
    CommandOptions& number(std::string name, int& value, long lowest, long highest, std::string wrong);
    // A decimal number from `lowest` to `highest`; anything else is refused with `wrong`.
    CommandOptions& decimal(std::string name, double& value, double lowest, double highest, std::string wrong);
    // An option whose value is written on to its name in the same argument, as the classic
    // tools take them: "-s:SKRIPT", "--timeout=20". An argument that only begins like it
    // is this option; the rest of it is the value.
    CommandOptions& attached(std::string prefix, Check take);
    // Where free words go (a lone "-" is one: stdin); without it a free word is refused.
    CommandOptions& words(std::vector<std::string>& words);

    struct Refusal {
        enum class Kind { Unknown, NoValue, BadValue };
        Kind kind = Kind::Unknown;
        // The argument refused (Unknown, NoValue) or the reason its value was (BadValue).
        std::string text;
    };
    // The first thing wrong, in the order given; nothing when all is taken.
    std::optional<Refusal> parse(const std::vector<std::string>& args) const;

private:
    struct Option {
        std::string name;
        bool* on = nullptr;  // a flag; otherwise `take` gets the value
        Check take;
        bool mayBeLast = false;
        bool attached = false;  // the value follows the name in the same argument
    };
    std::vector<Option> options_;
    std::vector<std::string>* words_ = nullptr;
};

}  // namespace kub
