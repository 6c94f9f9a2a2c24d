#include "storage/alarm_settings.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include <toml++/toml.h>

#include "common/named_pattern.h"
#include "common/week_time.h"
#include "storage/toml_faults.h"

namespace kub {

namespace {

constexpr std::size_t kMaxFileBytes = 1 << 20;
constexpr std::size_t kMaxTestAlarms = 100;
constexpr std::size_t kMaxFields = 50;
constexpr std::size_t kMaxListed = 1000;
constexpr std::size_t kMaxPatternBytes = 2000;

using Faults = TomlFaults;

// Seconds from 0 (or 1) to the longest incident; integer or decimal.
void takeSeconds(const toml::table& t, const char* key, double low, double& value, Faults& faults) {
    const toml::node* n = t.get(key);
    if (!n) return;
    const auto v = n->value<double>();
    if (!v || *v < low || *v > kLongestIncidentSeconds) {
        faults.at(*n, std::string(key) + " muss eine Zahl von " + std::to_string(static_cast<int>(low)) + " bis " +
                          std::to_string(static_cast<int>(kLongestIncidentSeconds)) +
                          " (Sekunden) sein; es gilt die Vorgabe.");
        return;
    }
    value = *v;
}

void takeSwitch(const toml::table& t, const char* key, bool& value, Faults& faults) {
    const toml::node* n = t.get(key);
    if (!n) return;
    if (const auto v = n->value<bool>()) {
        value = *v;
    } else {
        faults.at(*n, std::string(key) + " muss true oder false sein; es gilt die Vorgabe (aus).");
    }
}

// Keys of a table this part reads: a misspelt one would silently do nothing.
void unknownKeys(const toml::table& t, std::initializer_list<std::string_view> known, const std::string& where,
                 Faults& faults) {
    for (const auto& [key, node] : t) {
        if (std::find(known.begin(), known.end(), key.str()) == known.end())
            faults.at(node, "unbekannter Schlüssel \"" + std::string(key.str().substr(0, 40)) + "\" in " + where +
                                " (nicht beachtet).");
    }
}

void readIncident(const toml::table& t, AlarmSettings& s, Faults& faults) {
    takeSeconds(t, "fenster_s", 1, s.windowSeconds, faults);
    takeSeconds(t, "nachlauf_s", 0, s.followSeconds, faults);
    takeSwitch(t, "tcp_zeile", s.exportLine, faults);
    takeSwitch(t, "aktionsprogramm", s.actionProgram, faults);
    unknownKeys(t, {"fenster_s", "nachlauf_s", "tcp_zeile", "aktionsprogramm"}, "[einsatz]", faults);
}

std::string trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return std::string(s.substr(first, s.find_last_not_of(" \t") - first + 1));
}

// A list of numbers given as strings or integers (a ZVEI code keeps its five digits).
bool numberList(const toml::node& n, std::size_t width, std::vector<std::string>& out) {
    const toml::array* a = n.as_array();
    if (!a) return false;
    for (const toml::node& item : *a) {
        std::string v;
        if (const auto s = item.value_exact<std::string>()) {
            v = trimmed(*s);
        } else if (const auto i = item.value_exact<std::int64_t>(); i && *i >= 0) {
            v = std::to_string(*i);
            if (v.size() < width) v.insert(0, width - v.size(), '0');
        } else {
            return false;
        }
        if (v.empty() || v.size() > 7 || !std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return false;
        if (out.size() < kMaxListed) out.push_back(v);
    }
    return true;
}

void readTestAlarm(const toml::table& t, AlarmSettings& s, Faults& faults) {
    TestAlarmWindow w;
    bool ok = true;
    if (const toml::node* n = t.get("tage")) {
        std::optional<std::uint8_t> days;
        if (const auto text = n->value_exact<std::string>()) {
            days = parseWeekDays(*text);
        } else if (const toml::array* a = n->as_array()) {
            std::string joined;
            for (const toml::node& item : *a) {
                const auto text2 = item.value_exact<std::string>();
                joined += (joined.empty() ? "" : ",") + (text2 ? *text2 : std::string("?"));
            }
            days = parseWeekDays(joined);
        }
        if (!days) {
            faults.at(*n, "tage: Wochentage wie \"Sa\", \"Mo-Fr\" oder [\"Mo\", \"Mi\"] erwartet (Mo Di Mi Do Fr Sa So).");
            ok = false;
        } else {
            w.days = *days;
        }
    }
    for (const char* key : {"von", "bis"}) {
        const toml::node* n = t.get(key);
        const auto text = n ? n->value_exact<std::string>() : std::nullopt;
        const auto minutes = text ? parseClockMinutes(*text) : std::nullopt;
        if (!minutes) {
            if (n) {
                faults.at(*n, std::string(key) + ": Uhrzeit wie \"12:00\" erwartet.");
            } else {
                faults.at(t, std::string("[[probealarm]] ohne ") + key + " (nicht beachtet).");
            }
            ok = false;
            continue;
        }
        (key[0] == 'v' ? w.from : w.to) = *minutes;
    }
    if (const toml::node* n = t.get("ric"); n && !numberList(*n, 0, w.rics)) {
        faults.at(*n, "ric: Liste von RICs erwartet, z. B. [\"1234567\"].");
        ok = false;
    }
    if (const toml::node* n = t.get("code"); n && !numberList(*n, 5, w.codes)) {
        faults.at(*n, "code: Liste fünfstelliger ZVEI-Folgen erwartet, z. B. [\"25431\"].");
        ok = false;
    }
    unknownKeys(t, {"tage", "von", "bis", "ric", "code"}, "[[probealarm]]", faults);
    if (ok) s.testAlarms.push_back(std::move(w));
}

void readField(const toml::table& t, AlarmSettings& s, Faults& faults) {
    FieldRule rule;
    const toml::node* pattern = t.get("muster");
    const auto text = pattern ? pattern->value_exact<std::string>() : std::nullopt;
    if (!text || text->empty() || text->size() > kMaxPatternBytes) {
        if (pattern) {
            faults.at(*pattern, "muster: regulärer Ausdruck als Text erwartet (höchstens 2000 Zeichen).");
        } else {
            faults.at(t, "[[feld]] ohne muster (nicht beachtet).");
        }
        return;
    }
    rule.pattern = *text;
    if (const toml::node* n = t.get("name")) {
        const auto name = n->value_exact<std::string>();
        if (!name || name->empty() || name->size() > 40) {
            faults.at(*n, "name: Feldname als Text erwartet (höchstens 40 Zeichen).");
            return;
        }
        rule.name = *name;
    }
    const NamedPattern compiled(rule.pattern);
    if (!compiled.valid()) {
        faults.at(*pattern, "muster: " + compiled.error());
        return;
    }
    if (compiled.names().empty() && rule.name.empty()) {
        faults.at(*pattern, "muster ohne benannte Gruppe wie (?<stichwort>...) und ohne name (nicht beachtet).");
        return;
    }
    unknownKeys(t, {"name", "muster"}, "[[feld]]", faults);
    s.fields.push_back(std::move(rule));
}

// Each entry of an array of tables, at most `limit`.
template <typename Read>
void eachEntry(const toml::table& root, const char* key, std::size_t limit, Faults& faults, Read read) {
    const toml::node* n = root.get(key);
    if (!n) return;
    const toml::array* entries = n->as_array();
    if (!entries) {
        faults.at(*n, std::string("[[") + key + "]] erwartet (nicht beachtet).");
        return;
    }
    std::size_t count = 0;
    for (const toml::node& entry : *entries) {
        const toml::table* t = entry.as_table();
        if (!t) {
            faults.at(entry, std::string("[[") + key + "]]: Tabelle erwartet (nicht beachtet).");
            continue;
        }
        if (++count > limit) {
            faults.at(entry, "mehr als " + std::to_string(limit) + " [[" + key + "]]; die weiteren gelten nicht.");
            return;
        }
        read(*t);
    }
}

}  // namespace

AlarmSettings parseAlarmSettings(std::string_view text, std::vector<std::string>& messages) {
    AlarmSettings s;
    Faults faults(messages);
    if (text.size() > kMaxFileBytes) {
        messages.push_back(std::string(kAlarmSettingsFileName) + " ist größer als 1 MB; es gelten die Vorgaben.");
        return s;
    }
    toml::table root;
    try {
        root = toml::parse(text, std::string_view(kAlarmSettingsFileName));
    } catch (const toml::parse_error& e) {
        faults.at(e.source().begin,
                  std::string(e.description().substr(0, 200)) + " (fehlerhaftes TOML; es gelten die Vorgaben)");
        return s;
    }
    if (const toml::node* n = root.get("einsatz")) {
        if (const toml::table* t = n->as_table()) {
            readIncident(*t, s, faults);
        } else {
            faults.at(*n, "[einsatz] muss eine Tabelle sein (nicht beachtet).");
        }
    }
    eachEntry(root, "probealarm", kMaxTestAlarms, faults, [&](const toml::table& t) { readTestAlarm(t, s, faults); });
    eachEntry(root, "feld", kMaxFields, faults, [&](const toml::table& t) { readField(t, s, faults); });
    return s;
}

AlarmSettings loadAlarmSettings(const std::string& programFolder, std::vector<std::string>& messages) {
    std::ifstream in(programFolder + "/" + kAlarmSettingsFileName, std::ios::binary);
    if (!in) return {};
    std::string text;
    text.resize(kMaxFileBytes + 1);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return parseAlarmSettings(text, messages);
}

}  // namespace kub
