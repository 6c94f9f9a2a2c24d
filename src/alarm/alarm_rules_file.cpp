#include "alarm/alarm_rules_file.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>

#include <toml++/toml.h>

#include "common/ric.h"
#include "common/week_time.h"
#include "common/whole_number.h"
#include "storage/alarm_settings.h"
#include "storage/toml_faults.h"

namespace kub {

namespace {

constexpr std::size_t kMaxFileBytes = 1 << 20;
constexpr std::size_t kMaxTargets = 200;
constexpr std::size_t kMaxRules = 10000;
constexpr std::size_t kMaxListed = 1000;
constexpr std::size_t kMaxNameBytes = 100;
constexpr std::size_t kMaxPatternBytes = 2000;

using FaultList = TomlFaults;

std::string shortText(std::string_view s) {
    return std::string(s.substr(0, 40)) + (s.size() > 40 ? "…" : "");
}

bool hasControl(std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

bool allDigits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return std::string(s.substr(first, s.find_last_not_of(" \t") - first + 1));
}

void unknownKeys(const toml::table& t, const std::vector<std::string_view>& known, const std::string& where,
                 FaultList& faults) {
    for (const auto& [key, node] : t)
        if (std::find(known.begin(), known.end(), key.str()) == known.end())
            faults.at(node, "unbekannter Schlüssel \"" + shortText(key.str()) + "\" in " + where + ".");
}

// A text value; a fault (and nullopt) when it is of another type or has control characters.
std::optional<std::string> textOf(const toml::node& n, const std::string& key, FaultList& faults) {
    const auto v = n.value_exact<std::string>();
    if (!v) {
        faults.at(n, key + " muss ein Text in Anführungszeichen sein.");
        return std::nullopt;
    }
    return *v;
}

std::optional<std::string> plainText(const toml::node& n, const std::string& key, FaultList& faults) {
    auto v = textOf(n, key, faults);
    if (v && hasControl(*v)) {
        faults.at(n, key + " darf keine Steuerzeichen (Zeilenumbruch, Tabulator) enthalten.");
        return std::nullopt;
    }
    return v;
}

// A value or a list of values; `each` is called per element. An empty list is a fault:
// it would hold for nothing, and a user who writes one means something else.
void eachItem(const toml::node& n, const std::string& key, FaultList& faults,
              const std::function<void(const toml::node&)>& each) {
    if (const toml::array* a = n.as_array()) {
        if (a->empty()) faults.at(n, key + ": leere Liste.");
        if (a->size() > kMaxListed) {
            faults.at(n, key + ": mehr als " + std::to_string(kMaxListed) + " Einträge.");
            return;
        }
        for (const toml::node& item : *a) each(item);
    } else {
        each(n);
    }
}

bool compileTemplate(const toml::node& n, const std::string& key, AlarmTemplate& out, FaultList& faults) {
    const auto text = textOf(n, key, faults);
    if (!text) return false;
    std::string error;
    if (!out.compile(*text, error)) {
        faults.at(n, key + ": " + error + ".");
        return false;
    }
    return true;
}

bool validTargetName(std::string_view name) {
    return !name.empty() && name.size() <= 40 && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    });
}

bool httpTokenChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool startsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// --- [ziel.NAME] ------------------------------------------------------------------------

void readWebhook(const toml::table& t, AlarmTarget& target, TargetTemplates& tpl, FaultList& faults) {
    if (const toml::node* n = t.get("url")) {
        if (const auto url = plainText(*n, "url", faults)) {
            if (!startsWith(*url, "http://") && !startsWith(*url, "https://"))
                faults.at(*n, "url ohne Schema: \"http://…\" oder \"https://…\" erwartet.");
            else if (url->find(' ') != std::string::npos)
                faults.at(*n, "url darf keine Leerzeichen enthalten (als %20 schreiben).");
            target.url = *url;
        }
    } else {
        faults.at(t, "Webhook ohne url.");
    }
    if (const toml::node* n = t.get("methode")) {
        if (const auto m = plainText(*n, "methode", faults)) {
            static const std::vector<std::string> methods = {"POST", "PUT", "PATCH", "GET", "DELETE"};
            if (std::find(methods.begin(), methods.end(), *m) == methods.end())
                faults.at(*n, "methode muss POST, PUT, PATCH, GET oder DELETE sein.");
            target.method = *m;
        }
    }
    if (const toml::node* n = t.get("kopf")) {
        const toml::table* headers = n->as_table();
        if (!headers) {
            faults.at(*n, "kopf muss eine Tabelle sein, z. B. kopf = { Authorization = \"Bearer …\" }.");
        } else {
            for (const auto& [name, value] : *headers) {
                const std::string_view key = name.str();
                if (key.empty() || !std::all_of(key.begin(), key.end(), httpTokenChar)) {
                    faults.at(value, "kopf: \"" + shortText(key) + "\" ist kein Name eines HTTP-Kopfes.");
                    continue;
                }
                AlarmTemplate header;
                if (compileTemplate(value, "kopf." + std::string(key), header, faults))
                    tpl.headers.emplace_back(std::string(key), std::move(header));
            }
        }
    }
}

void readMail(const toml::table& t, AlarmTarget& target, TargetTemplates& tpl, FaultList& faults) {
    if (const toml::node* n = t.get("server")) {
        if (const auto s = plainText(*n, "server", faults)) {
            if (!startsWith(*s, "smtp://") && !startsWith(*s, "smtps://"))
                faults.at(*n, "server ohne Schema: \"smtp://host:port\" oder \"smtps://host:port\" erwartet.");
            target.server = *s;
        }
    } else {
        faults.at(t, "Mail-Ziel ohne server.");
    }
    if (const toml::node* n = t.get("benutzer"))
        if (const auto s = plainText(*n, "benutzer", faults)) target.user = *s;
    if (const toml::node* n = t.get("passwort"))
        if (const auto s = plainText(*n, "passwort", faults)) target.password = *s;
    if (const toml::node* n = t.get("von")) {
        if (const auto s = plainText(*n, "von", faults)) target.from = *s;
    } else {
        faults.at(t, "Mail-Ziel ohne von (Absender).");
    }
    if (const toml::node* n = t.get("an")) {
        eachItem(*n, "an", faults, [&](const toml::node& item) {
            const auto s = plainText(item, "an", faults);
            if (!s) return;
            if (s->find('@') == std::string::npos)
                faults.at(item, "an: \"" + shortText(*s) + "\" ist keine Mail-Adresse.");
            else
                target.to.push_back(*s);
        });
    } else {
        faults.at(t, "Mail-Ziel ohne an (Empfänger).");
    }
    if (const toml::node* n = t.get("betreff")) compileTemplate(*n, "betreff", tpl.subject, faults);
}

void readMqtt(const toml::table& t, AlarmTarget& target, FaultList& faults) {
    const toml::node* n = t.get("thema");
    if (!n) {
        faults.at(t, "MQTT-Ziel ohne thema.");
        return;
    }
    if (const auto s = plainText(*n, "thema", faults)) {
        if (s->empty() || s->find_first_of("+#") != std::string::npos)
            faults.at(*n, "thema: ein Thema ohne + und # erwartet, z. B. \"feuerwehr/alarm\".");
        target.topic = *s;
    }
}

void readProgram(const toml::table& t, AlarmTarget& target, TargetTemplates& tpl, FaultList& faults) {
    if (const toml::node* n = t.get("pfad")) {
        if (const auto s = plainText(*n, "pfad", faults)) {
            if (s->empty()) faults.at(*n, "pfad ist leer.");
            target.path = *s;
        }
    } else {
        faults.at(t, "Programm-Ziel ohne pfad.");
    }
    if (const toml::node* n = t.get("argumente")) {
        if (!n->is_array()) {
            faults.at(*n, "argumente muss eine Liste sein, z. B. [\"{{ric}}\", \"{{text}}\"].");
            return;
        }
        for (const toml::node& item : *n->as_array()) {
            AlarmTemplate arg;
            if (compileTemplate(item, "argumente", arg, faults)) tpl.arguments.push_back(std::move(arg));
        }
    }
}

void readTarget(std::string_view name, const toml::node& node, AlarmRules& out, FaultList& faults) {
    const std::string where = "[ziel." + shortText(name) + "]";
    const toml::table* t = node.as_table();
    if (!t) {
        faults.at(node, where + " muss eine Tabelle sein.");
        return;
    }
    if (!validTargetName(name)) {
        faults.at(node, "Zielname \"" + shortText(name) + "\": nur Buchstaben A-Z a-z, Ziffern, - und _ (höchstens 40).");
        return;
    }
    AlarmTarget target;
    TargetTemplates tpl;
    target.name = std::string(name);
    const toml::node* art = t->get("art");
    const auto kind = art ? art->value_exact<std::string>() : std::nullopt;
    std::vector<std::string_view> known = {"art"};
    if (!art) {
        faults.at(node, where + " ohne art (webhook, mail, mqtt oder programm).");
        return;
    }
    if (kind == "webhook") {
        target.kind = AlarmTargetKind::Webhook;
        readWebhook(*t, target, tpl, faults);
        known.insert(known.end(), {"url", "methode", "kopf", "inhalt"});
    } else if (kind == "mail") {
        target.kind = AlarmTargetKind::Mail;
        readMail(*t, target, tpl, faults);
        known.insert(known.end(), {"server", "benutzer", "passwort", "von", "an", "betreff", "inhalt"});
    } else if (kind == "mqtt") {
        target.kind = AlarmTargetKind::Mqtt;
        readMqtt(*t, target, faults);
        known.insert(known.end(), {"thema", "inhalt"});
    } else if (kind == "programm") {
        target.kind = AlarmTargetKind::Program;
        readProgram(*t, target, tpl, faults);
        known.insert(known.end(), {"pfad", "argumente"});
    } else {
        faults.at(*art, "art: unbekannte Art \"" + shortText(kind.value_or("")) +
                            "\"; erwartet \"webhook\", \"mail\", \"mqtt\" oder \"programm\".");
        return;
    }
    if (const toml::node* n = t->get("inhalt"); n && std::find(known.begin(), known.end(), "inhalt") != known.end())
        tpl.ownBody = compileTemplate(*n, "inhalt", tpl.body, faults);
    unknownKeys(*t, known, where, faults);
    out.targets.push_back(std::move(target));
    out.templates.push_back(std::move(tpl));
}

// --- [[regel]] ----------------------------------------------------------------------------

void readBits(const toml::node& n, const std::string& key, const std::map<std::string, int>& names, int low, int high,
              Condition& c, FaultList& faults, const std::string& expected) {
    eachItem(n, key, faults, [&](const toml::node& item) {
        int bit = -1;
        if (const auto i = item.value_exact<std::int64_t>(); i && *i >= low && *i <= high) {
            bit = static_cast<int>(*i);
        } else if (const auto s = item.value_exact<std::string>()) {
            std::string lower = trimmed(*s);
            std::transform(lower.begin(), lower.end(), lower.begin(),
                           [](char ch) { return static_cast<char>(std::tolower(static_cast<unsigned char>(ch))); });
            if (const auto it = names.find(lower); it != names.end()) bit = it->second;
        }
        if (bit < 0) {
            faults.at(item, key + ": " + expected + ".");
            return;
        }
        c.bits |= 1u << bit;
    });
}

std::optional<std::uint32_t> ricNumber(std::string_view s) {
    const std::string t = trimmed(s);
    if (!allDigits(t) || t.size() > 7) return std::nullopt;
    const auto v = wholeNumber(t, 0, kMaxRic);
    if (!v) return std::nullopt;
    return static_cast<std::uint32_t>(*v);
}

void readRics(const toml::node& n, Condition& c, FaultList& faults) {
    eachItem(n, "wenn.ric", faults, [&](const toml::node& item) {
        if (const auto i = item.value_exact<std::int64_t>()) {
            if (*i < 0 || *i > kMaxRic) {
                faults.at(item, "wenn.ric: " + std::to_string(*i) + " ist keine RIC (0 bis 2097151).");
                return;
            }
            c.rics.push_back({static_cast<std::uint32_t>(*i), static_cast<std::uint32_t>(*i)});
            return;
        }
        const auto s = item.value_exact<std::string>();
        if (!s) {
            faults.at(item, "wenn.ric: RIC wie \"1234567\" oder Bereich wie \"1234560-1234569\" erwartet.");
            return;
        }
        const std::size_t dash = s->find('-');
        const auto low = ricNumber(std::string_view(*s).substr(0, dash));
        const auto high = dash == std::string::npos ? low : ricNumber(std::string_view(*s).substr(dash + 1));
        if (!low || !high) {
            faults.at(item, "wenn.ric: \"" + shortText(*s) +
                                "\" ist keine RIC (0 bis 2097151) und kein Bereich wie \"1234560-1234569\".");
        } else if (*low > *high) {
            faults.at(item, "wenn.ric: Bereich \"" + shortText(*s) + "\" ist verkehrt herum (erst die kleinere RIC).");
        } else {
            c.rics.push_back({*low, *high});
        }
    });
}

Wildcard wildcardOf(const std::string& text) {
    Wildcard w;
    w.openStart = !text.empty() && text.front() == '*';
    w.openEnd = !text.empty() && text.back() == '*';
    for (std::size_t from = 0; from <= text.size();) {
        const std::size_t star = std::min(text.find('*', from), text.size());
        if (star > from) w.parts.push_back(text.substr(from, star - from));
        from = star + 1;
    }
    return w;
}

void readWildcards(const toml::node& n, const std::string& key, std::size_t width, bool hex, Condition& c,
                   FaultList& faults) {
    eachItem(n, key, faults, [&](const toml::node& item) {
        std::string v;
        if (const auto i = item.value_exact<std::int64_t>(); i && *i >= 0 && !hex) {
            v = std::to_string(*i);
            if (v.size() < width) v.insert(0, width - v.size(), '0');
        } else if (const auto s = item.value_exact<std::string>()) {
            v = trimmed(*s);
            if (hex) std::transform(v.begin(), v.end(), v.begin(), [](char ch) {
                return static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            });
        }
        const std::size_t stars = static_cast<std::size_t>(std::count(v.begin(), v.end(), '*'));
        const bool charsOk = !v.empty() && std::all_of(v.begin(), v.end(), [&](char ch) {
            return ch == '*' || (ch >= '0' && ch <= '9') || (hex && ch >= 'A' && ch <= 'F');
        });
        if (!charsOk || v.size() - stars > width || (stars == 0 && v.size() != width)) {
            faults.at(item, key + (hex ? ": FMS-Kennung aus 8 Zeichen 0-9 A-F erwartet, * für beliebig viele "
                                         "(z. B. \"6234*\")."
                                       : ": fünfstellige ZVEI-Folge erwartet, * für beliebig viele (z. B. \"25431\")."));
            return;
        }
        c.wildcards.push_back(wildcardOf(v));
    });
}

// "Mo-Fr 06:00-18:00", "06:00-18:00" (every day), "Sa" (the whole day), "So 22:00-06:00"
// (into Monday morning).
std::optional<TimeWindow> timeWindowOf(const std::string& text) {
    TimeWindow w;
    std::string days = trimmed(text);
    if (days.find(':') != std::string::npos) {
        const std::size_t blank = days.find_last_of(" \t");
        const std::string span = blank == std::string::npos ? days : days.substr(blank + 1);
        days = blank == std::string::npos ? std::string() : trimmed(days.substr(0, blank));
        const std::size_t dash = span.find('-');
        if (dash == std::string::npos) return std::nullopt;
        const auto from = parseClockMinutes(std::string_view(span).substr(0, dash));
        const auto to = parseClockMinutes(std::string_view(span).substr(dash + 1));
        if (!from || !to) return std::nullopt;
        w.from = *from;
        w.to = *to;
    }
    if (!days.empty()) {
        const auto d = parseWeekDays(days);
        if (!d) return std::nullopt;
        w.days = *d;
    }
    return w;
}

void readCondition(std::string_view key, const toml::node& n, Condition& c, FaultList& faults) {
    const std::string k = "wenn." + std::string(key);
    if (key == "protokoll") {
        c.kind = ConditionKind::Protokoll;
        readBits(n, k, {{"fms", 0}, {"zvei", 1}, {"pocsag", 2}, {"tonruf", 3}, {"einsatz", 4}}, 99, -1, c, faults,
                 "\"fms\", \"zvei\", \"pocsag\", \"tonruf\" oder \"einsatz\" erwartet");
    } else if (key == "kanal") {
        c.kind = ConditionKind::Kanal;
        readBits(n, k, {{"left", 0}, {"links", 0}, {"right", 1}, {"rechts", 1}}, 99, -1, c, faults,
                 "\"links\" oder \"rechts\" erwartet");
    } else if (key == "standort") {
        c.kind = ConditionKind::Standort;
        eachItem(n, k, faults, [&](const toml::node& item) {
            if (const auto s = plainText(item, k, faults)) {
                if (*s == "hier")
                    c.here = true;
                else
                    c.sites.push_back(*s);
            }
        });
    } else if (key == "ric") {
        c.kind = ConditionKind::Ric;
        readRics(n, c, faults);
    } else if (key == "funktion") {
        c.kind = ConditionKind::Funktion;
        readBits(n, k, {{"a", 0}, {"b", 1}, {"c", 2}, {"d", 3}}, 0, 3, c, faults,
                 "Funktion 0 bis 3 oder \"a\" bis \"d\" erwartet");
    } else if (key == "status") {
        c.kind = ConditionKind::Status;
        readBits(n, k, {}, 0, 15, c, faults, "FMS-Status 0 bis 15 erwartet");
    } else if (key == "kennung") {
        c.kind = ConditionKind::Kennung;
        readWildcards(n, k, 8, true, c, faults);
    } else if (key == "code") {
        c.kind = ConditionKind::Code;
        readWildcards(n, k, 5, false, c, faults);
    } else if (key == "zeit") {
        c.kind = ConditionKind::Zeit;
        eachItem(n, k, faults, [&](const toml::node& item) {
            const auto s = plainText(item, k, faults);
            if (!s) return;
            if (const auto w = timeWindowOf(*s))
                c.times.push_back(*w);
            else
                faults.at(item, k + ": \"" + shortText(*s) +
                                    "\" ist kein Zeitfenster wie \"Mo-Fr 06:00-18:00\", \"22:00-06:00\" oder \"Sa\".");
        });
    } else if (key == "text") {
        c.kind = ConditionKind::Text;
        eachItem(n, k, faults, [&](const toml::node& item) {
            const auto s = textOf(item, k, faults);
            if (!s) return;
            if (s->size() > kMaxPatternBytes) {
                faults.at(item, k + ": regulärer Ausdruck länger als 2000 Zeichen.");
                return;
            }
            auto pattern = std::make_shared<NamedPattern>(*s);
            if (!pattern->valid())
                faults.at(item, k + ": " + pattern->error() + ".");
            else
                c.patterns.push_back(std::move(pattern));
        });
    }
}

void readRule(const toml::table& t, const std::map<std::string, std::size_t>& targetIndex, AlarmRules& out,
              FaultList& faults) {
    AlarmRule rule;
    rule.line = static_cast<int>(t.source().begin.line);
    rule.name = "Regel in Zeile " + std::to_string(rule.line);
    if (const toml::node* n = t.get("name"))
        if (const auto s = plainText(*n, "name", faults)) {
            if (s->empty() || s->size() > kMaxNameBytes)
                faults.at(*n, "name: 1 bis 100 Zeichen erwartet.");
            else
                rule.name = *s;
        }
    if (const toml::node* n = t.get("aktiv")) {
        if (const auto v = n->value_exact<bool>())
            rule.active = *v;
        else
            faults.at(*n, "aktiv muss true oder false sein.");
    }
    if (const toml::node* n = t.get("ziele")) {
        eachItem(*n, "ziele", faults, [&](const toml::node& item) {
            const auto s = plainText(item, "ziele", faults);
            if (!s) return;
            const auto it = targetIndex.find(*s);
            if (it == targetIndex.end())
                faults.at(item, "ziele: \"" + shortText(*s) + "\" ist kein Ziel (kein [ziel." + shortText(*s) +
                                    "] in der Datei).");
            else if (std::find(rule.targets.begin(), rule.targets.end(), it->second) == rule.targets.end())
                rule.targets.push_back(it->second);
        });
    } else {
        faults.at(t, "[[regel]] \"" + shortText(rule.name) + "\" ohne ziele.");
    }
    static const std::vector<std::string_view> conditionKeys = {"protokoll", "kanal", "standort", "ric", "funktion",
                                                                "status",    "kennung", "code",   "zeit", "text"};
    if (const toml::node* n = t.get("wenn")) {
        if (const toml::table* w = n->as_table()) {
            for (const auto& [key, value] : *w) {
                if (std::find(conditionKeys.begin(), conditionKeys.end(), key.str()) == conditionKeys.end()) continue;
                Condition c;
                readCondition(key.str(), value, c, faults);
                rule.conditions.push_back(std::move(c));
            }
            unknownKeys(*w, conditionKeys, "wenn (bekannt: protokoll, ric, funktion, kennung, status, code, text, "
                                           "kanal, standort, zeit)", faults);
        } else {
            faults.at(*n, "wenn muss eine Tabelle sein, z. B. wenn.ric = [\"1234567\"].");
        }
    }
    if (const toml::node* n = t.get("ausser")) {
        if (const toml::table* a = n->as_table()) {
            if (const toml::node* p = a->get("probealarm")) {
                if (const auto v = p->value_exact<bool>()) {
                    if (*v) rule.conditions.push_back(Condition{ConditionKind::Probealarm, 0, {}, {}, {}, false, {}, {}});
                } else {
                    faults.at(*p, "ausser.probealarm muss true oder false sein.");
                }
            }
            unknownKeys(*a, {"probealarm"}, "ausser", faults);
        } else {
            faults.at(*n, "ausser muss eine Tabelle sein, z. B. ausser.probealarm = true.");
        }
    }
    unknownKeys(t, {"name", "ziele", "aktiv", "wenn", "ausser"}, "[[regel]]", faults);
    std::stable_sort(rule.conditions.begin(), rule.conditions.end(),
                     [](const Condition& a, const Condition& b) { return a.kind < b.kind; });
    out.rules.push_back(std::move(rule));
}

}  // namespace

AlarmRulesRead parseAlarmRules(std::string_view text) {
    AlarmRulesRead read;
    FaultList faults(read.faults);
    if (text.size() > kMaxFileBytes) {
        read.faults.push_back(std::string(kAlarmSettingsFileName) + " ist größer als 1 MB.");
        return read;
    }
    toml::table root;
    try {
        root = toml::parse(text, std::string_view(kAlarmSettingsFileName));
    } catch (const toml::parse_error& e) {
        faults.at(e.source().begin, std::string(e.description().substr(0, 200)) + " (fehlerhaftes TOML).");
        faults.flush();
        return read;
    }
    unknownKeys(root, {"einsatz", "probealarm", "feld", "ziel", "regel"},
                "der Datei (bekannt: [einsatz], [[probealarm]], [[feld]], [ziel.NAME], [[regel]])", faults);
    std::map<std::string, std::size_t> targetIndex;
    if (const toml::node* n = root.get("ziel")) {
        if (const toml::table* t = n->as_table()) {
            if (t->size() > kMaxTargets) faults.at(*n, "mehr als " + std::to_string(kMaxTargets) + " Ziele.");
            for (const auto& [name, node] : *t) {
                if (read.rules.targets.size() >= kMaxTargets) break;
                readTarget(name.str(), node, read.rules, faults);
            }
        } else {
            faults.at(*n, "ziel muss aus Tabellen [ziel.NAME] bestehen.");
        }
    }
    for (std::size_t i = 0; i < read.rules.targets.size(); ++i) targetIndex[read.rules.targets[i].name] = i;
    if (const toml::node* n = root.get("regel")) {
        const toml::array* entries = n->as_array();
        if (!entries || !entries->is_array_of_tables()) {
            faults.at(*n, "Regeln als [[regel]] erwartet.");
        } else if (entries->size() > kMaxRules) {
            faults.at(*n, "mehr als " + std::to_string(kMaxRules) + " Regeln.");
        } else {
            for (const toml::node& entry : *entries) readRule(*entry.as_table(), targetIndex, read.rules, faults);
        }
    }
    faults.flush();
    if (!read.faults.empty()) read.rules = AlarmRules{};
    return read;
}

}  // namespace kub
