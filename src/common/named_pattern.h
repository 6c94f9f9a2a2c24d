#pragma once
// A regular expression with named groups ("(?<stichwort>...)"), as users write them to
// read fields out of alarm texts. PCRE2 in UTF-8 mode: std::regex knows no named groups,
// recurses per character (a long text can overflow the stack) and has no bound on its
// work; here a match limit stops a pattern that backtracks without end, and a text that
// is no valid UTF-8 is still searched (byte by byte) instead of refused.

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kub {

class NamedPattern {
public:
    // Compiles `pattern`; on failure valid() is false and error() says why in German,
    // with the character position.
    explicit NamedPattern(const std::string& pattern);
    ~NamedPattern();
    NamedPattern(NamedPattern&&) noexcept;
    NamedPattern& operator=(NamedPattern&&) noexcept;

    bool valid() const { return code_ != nullptr; }
    const std::string& error() const { return error_; }
    // The named groups in the order they appear in the pattern.
    const std::vector<std::string>& names() const { return names_; }

    // The first match in `text`: each named group that took part, with its text
    // (trimmed of blanks at both ends), in pattern order; `whole` gets the whole match.
    // Empty when nothing matched (or the match limit was reached).
    std::vector<std::pair<std::string, std::string>> match(const std::string& text, std::string* whole = nullptr) const;
    // Whether the pattern is found in `text` at all (false at the match limit).
    bool found(const std::string& text) const;

private:
    struct Code;
    std::unique_ptr<Code> code_;
    std::string error_;
    std::vector<std::string> names_;
};

}  // namespace kub
