#define PCRE2_CODE_UNIT_WIDTH 8
#include "common/named_pattern.h"

#include <pcre2.h>

#include <algorithm>

namespace kub {

namespace {

// Enough for any sensible field pattern on a pager text of a few hundred characters;
// a pattern that needs more is cut off instead of holding up the reception handling.
constexpr std::uint32_t kMatchLimit = 200000;
constexpr std::uint32_t kDepthLimit = 2000;

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

struct NamedPattern::Code {
    pcre2_code* code = nullptr;
    pcre2_match_context* context = nullptr;
    ~Code() {
        pcre2_match_context_free(context);
        pcre2_code_free(code);
    }
};

NamedPattern::NamedPattern(const std::string& pattern) {
    int errorCode = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                     PCRE2_UTF | PCRE2_MATCH_INVALID_UTF, &errorCode, &offset, nullptr);
    if (!code) {
        PCRE2_UCHAR text[256];
        pcre2_get_error_message(errorCode, text, sizeof text);
        error_ = "ungültiger regulärer Ausdruck bei Zeichen " + std::to_string(offset + 1) + ": " +
                 reinterpret_cast<const char*>(text);
        return;
    }
    code_ = std::make_unique<Code>();
    code_->code = code;
    code_->context = pcre2_match_context_create(nullptr);
    pcre2_set_match_limit(code_->context, kMatchLimit);
    pcre2_set_depth_limit(code_->context, kDepthLimit);

    std::uint32_t count = 0, entrySize = 0;
    PCRE2_SPTR table = nullptr;
    pcre2_pattern_info(code, PCRE2_INFO_NAMECOUNT, &count);
    pcre2_pattern_info(code, PCRE2_INFO_NAMEENTRYSIZE, &entrySize);
    pcre2_pattern_info(code, PCRE2_INFO_NAMETABLE, &table);
    // The table is sorted by name; the pattern's order is the group numbers' order.
    std::vector<std::pair<int, std::string>> byNumber;
    for (std::uint32_t i = 0; i < count; ++i) {
        const PCRE2_SPTR entry = table + i * entrySize;
        byNumber.emplace_back((entry[0] << 8) | entry[1], reinterpret_cast<const char*>(entry + 2));
    }
    std::sort(byNumber.begin(), byNumber.end());
    for (auto& [number, name] : byNumber) names_.push_back(std::move(name));
}

NamedPattern::~NamedPattern() = default;
NamedPattern::NamedPattern(NamedPattern&&) noexcept = default;
NamedPattern& NamedPattern::operator=(NamedPattern&&) noexcept = default;

std::vector<std::pair<std::string, std::string>> NamedPattern::match(const std::string& text,
                                                                      std::string* whole) const {
    std::vector<std::pair<std::string, std::string>> found;
    if (!code_) return found;
    pcre2_match_data* data = pcre2_match_data_create_from_pattern(code_->code, nullptr);
    const int rc = pcre2_match(code_->code, reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), 0, 0, data,
                               code_->context);
    if (rc > 0) {
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data);
        if (whole) *whole = trimmed(text.substr(ovector[0], ovector[1] - ovector[0]));
        for (const std::string& name : names_) {
            const int number = pcre2_substring_number_from_name(code_->code, reinterpret_cast<PCRE2_SPTR>(name.c_str()));
            if (number < 0 || number >= rc) continue;
            const PCRE2_SIZE from = ovector[2 * number], to = ovector[2 * number + 1];
            if (from == PCRE2_UNSET) continue;
            found.emplace_back(name, trimmed(text.substr(from, to - from)));
        }
    }
    pcre2_match_data_free(data);
    return found;
}

bool NamedPattern::found(const std::string& text) const {
    if (!code_) return false;
    pcre2_match_data* data = pcre2_match_data_create(1, nullptr);
    const int rc = pcre2_match(code_->code, reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), 0, 0, data,
                               code_->context);
    pcre2_match_data_free(data);
    // 0: found, with more groups than the one pair asked for.
    return rc >= 0;
}

}  // namespace kub
