#include "alarm/alarm_template.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace kub {

namespace {

constexpr std::size_t kLongestName = 64;

bool nameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '.';
}

std::string trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return std::string(s.substr(first, s.find_last_not_of(' ') - first + 1));
}

// The units of an incident as a dispatcher reads them: their names, else RIC or code.
std::string unitNames(const nlohmann::ordered_json& units) {
    std::string out;
    for (const auto& u : units) {
        std::string name = u.value("name", std::string());
        if (name.empty()) name = u.contains("ric") ? u.value("ric", std::string()) : u.value("code", std::string());
        if (name.empty()) continue;
        out += (out.empty() ? "" : ", ") + name;
    }
    return out;
}

std::string valueText(const nlohmann::ordered_json& v) {
    if (v.is_string()) return v.get<std::string>();
    if (v.is_null()) return {};
    if (v.is_array()) {
        std::string out;
        for (const auto& item : v) out += (out.empty() ? "" : ", ") + valueText(item);
        return out;
    }
    return v.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

bool AlarmTemplate::compile(std::string_view text, std::string& error) {
    pieces_.clear();
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t open = text.find("{{", at);
        if (open == std::string_view::npos) {
            pieces_.push_back({false, std::string(text.substr(at)), {}});
            break;
        }
        if (open > at) pieces_.push_back({false, std::string(text.substr(at, open - at)), {}});
        const std::size_t close = text.find("}}", open + 2);
        if (close == std::string_view::npos) {
            error = "\"{{\" ohne \"}}\"";
            return false;
        }
        const std::string name = trimmed(text.substr(open + 2, close - open - 2));
        if (name.empty() || name.size() > kLongestName || name.front() == '.' || name.back() == '.' ||
            name.find("..") != std::string::npos ||
            !std::all_of(name.begin(), name.end(), nameChar)) {
            error = "\"{{" + std::string(text.substr(open + 2, std::min<std::size_t>(close - open - 2, 40))) +
                    "}}\" ist kein Feldname (z. B. {{ric}}, {{text}}, {{felder.stichwort}})";
            return false;
        }
        Piece p{true, name, {}};
        for (std::size_t from = 0;;) {
            const std::size_t dot = name.find('.', from);
            p.path.push_back(name.substr(from, dot - from));
            if (dot == std::string::npos) break;
            from = dot + 1;
        }
        pieces_.push_back(std::move(p));
        at = close + 2;
    }
    return true;
}

std::string AlarmTemplate::render(const nlohmann::ordered_json& fields, std::vector<std::string>& missing) const {
    std::string out;
    for (const Piece& p : pieces_) {
        if (!p.field) {
            out += p.text;
            continue;
        }
        const nlohmann::ordered_json* v = &fields;
        for (const std::string& key : p.path) {
            const auto it = v->is_object() ? v->find(key) : v->end();
            if (!v->is_object() || it == v->end()) {
                v = nullptr;
                break;
            }
            v = &*it;
        }
        if (!v) {
            missing.push_back(p.text);
        } else if (p.path.size() == 1 && p.text == "einheiten" && v->is_array()) {
            out += unitNames(*v);
        } else {
            out += valueText(*v);
        }
    }
    return out;
}

std::string headerSafe(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return text;
}

}  // namespace kub
