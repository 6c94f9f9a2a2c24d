#include "core/remote_payload.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <initializer_list>
#include <nlohmann/json.hpp>

#include "common/printable_text.h"
#include "common/ric.h"
#include "common/whole_number.h"

namespace kub {

namespace {

constexpr std::size_t kMaxPayload = 16384;
constexpr std::size_t kMaxText = 4096;
constexpr std::size_t kMaxName = 256;
constexpr double kOldestSeconds = 600;
constexpr double kAheadSeconds = 60;

using Json = nlohmann::json;

struct Refused {
    std::string why;
};

const Json& field(const Json& j, const char* name) {
    const auto it = j.find(name);
    if (it == j.end()) throw Refused{std::string("Feld \"") + name + "\" fehlt"};
    return *it;
}

std::string text(const Json& j, const char* name, std::size_t maxLength) {
    const Json& v = field(j, name);
    if (!v.is_string()) throw Refused{std::string("Feld \"") + name + "\" ist kein Text"};
    std::string s = v.get<std::string>();
    if (s.size() > maxLength) throw Refused{std::string("Feld \"") + name + "\" zu lang"};
    return s;
}

// A text as it may reach rows, logs and lines.
std::string shown(const Json& j, const char* name, std::size_t maxLength) {
    return printableText(text(j, name, maxLength));
}

int number(const Json& j, const char* name, int low, int high) {
    const Json& v = field(j, name);
    if (!v.is_number_integer()) throw Refused{std::string("Feld \"") + name + "\" ist keine ganze Zahl"};
    const auto n = v.get<long long>();
    if (n < low || n > high) throw Refused{std::string("Feld \"") + name + "\" außerhalb des Bereichs"};
    return static_cast<int>(n);
}

int isUpperHex(int c) { return std::isdigit(c) || (c >= 'A' && c <= 'F') ? 1 : 0; }

int daysIn(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

bool allOf(const std::string& s, int (*pred)(int)) {
    return std::all_of(s.begin(), s.end(), [pred](char c) { return pred(static_cast<unsigned char>(c)) != 0; });
}

void onlyFields(const Json& j, std::initializer_list<const char*> extra) {
    static const char* const common[] = {"time", "channel", "protocol", "line", "site", "sites"};
    for (const auto& item : j.items()) {
        const std::string& key = item.key();
        const bool known = std::any_of(std::begin(common), std::end(common), [&](const char* k) { return key == k; }) ||
                           std::any_of(extra.begin(), extra.end(), [&](const char* k) { return key == k; });
        if (!known) throw Refused{"unbekanntes Feld \"" + key.substr(0, 40) + "\""};
    }
}

// What the sending site's window showed ("known", "colour") is checked for its form and
// then left: this monitor decides both from its own tables.
void theirView(const Json& j) {
    if (const auto k = j.find("known"); k != j.end() && !k->is_boolean())
        throw Refused{"Feld \"known\" ist nicht true/false"};
    if (const auto c = j.find("colour"); c != j.end()) {
        const std::string v = c->is_string() ? c->get<std::string>() : std::string();
        if (v.size() != 7 || v[0] != '#' || !std::all_of(v.begin() + 1, v.end(), [](char ch) {
                return std::isxdigit(static_cast<unsigned char>(ch)) != 0;
            }))
            throw Refused{"Feld \"colour\" ist keine Farbe #RRGGBB"};
    }
}

int digits(std::string_view s, std::size_t at, std::size_t n) {
    int v = 0;
    for (std::size_t i = at; i < at + n; ++i) {
        if (i >= s.size() || !std::isdigit(static_cast<unsigned char>(s[i]))) return -1;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

}  // namespace

std::optional<double> parseIsoTime(std::string_view s) {
    // 2026-12-08T13:05:07+01:00 or 2026-12-08T13:05:07Z
    if (s.size() != 25 && s.size() != 20) return std::nullopt;
    if (s[4] != '-' || s[7] != '-' || s[10] != 'T' || s[13] != ':' || s[16] != ':') return std::nullopt;
    const int year = digits(s, 0, 4), month = digits(s, 5, 2), day = digits(s, 8, 2);
    const int hour = digits(s, 11, 2), minute = digits(s, 14, 2), second = digits(s, 17, 2);
    if (year < 1970 || month < 1 || month > 12 || day < 1 || day > daysIn(year, month) || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59 || second < 0 || second > 59)
        return std::nullopt;
    long offset = 0;
    if (s.size() == 20) {
        if (s[19] != 'Z') return std::nullopt;
    } else {
        if ((s[19] != '+' && s[19] != '-') || s[22] != ':') return std::nullopt;
        const int oh = digits(s, 20, 2), om = digits(s, 23, 2);
        if (oh < 0 || oh > 14 || om < 0 || om > 59) return std::nullopt;
        offset = (oh * 60L + om) * 60L * (s[19] == '-' ? -1 : 1);
    }
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    const std::time_t utc = timegm(&tm);
    return static_cast<double>(utc - offset);
}

RemoteParse parseRemoteRecord(std::string_view payload, const std::string& site) {
    RemoteParse out;
    if (payload.size() > kMaxPayload) {
        out.error = "Meldung zu groß";
        return out;
    }
    const Json j = Json::parse(payload.begin(), payload.end(), nullptr, false);
    if (j.is_discarded() || !j.is_object()) {
        out.error = "kein JSON-Objekt";
        return out;
    }
    try {
        ReceptionRecord r;
        r.site = site;
        r.time = text(j, "time", 40);
        const auto seconds = parseIsoTime(r.time);
        if (!seconds) throw Refused{"Feld \"time\" ist keine Zeit mit Zeitzone"};
        r.seconds = *seconds;
        r.channel = text(j, "channel", 8);
        if (r.channel != "left" && r.channel != "right") throw Refused{"Feld \"channel\" ist nicht left/right"};
        const std::string protocol = text(j, "protocol", 8);
        // The site's own export line is not taken: ours is built from the checked fields.
        text(j, "line", kMaxText + 64);
        if (protocol == "fms") {
            onlyFields(j, {"kennung", "status", "tki", "direction", "text", "vehicle", "info", "known"});
            r.protocol = RecordProtocol::Fms;
            r.kennung = text(j, "kennung", 8);
            if (r.kennung.size() != 8 || !allOf(r.kennung, isUpperHex))
                throw Refused{"Feld \"kennung\" ist keine FMS-Kennung"};
            r.status = number(j, "status", 0, 15);
            r.tki = number(j, "tki", 0, 3);
            r.direction = number(j, "direction", 0, 1);
            r.text = shown(j, "text", kMaxText);
            r.vehicle = shown(j, "vehicle", kMaxName);
            r.info = shown(j, "info", kMaxName);
        } else if (protocol == "zvei") {
            onlyFields(j, {"code", "name", "known", "colour"});
            r.protocol = RecordProtocol::Zvei;
            r.code = text(j, "code", 5);
            if (r.code.size() != 5 || !allOf(r.code, isdigit)) throw Refused{"Feld \"code\" ist keine ZVEI-Folge"};
            r.name = shown(j, "name", kMaxName);
        } else if (protocol == "pocsag") {
            // A site judges its page texts itself; its judgement is taken, not refused.
            onlyFields(j, {"ric", "function", "text", "name", "known", "colour", "verschluesselt", "complete"});
            r.protocol = RecordProtocol::Pocsag;
            r.ric = text(j, "ric", 7);
            if (r.ric.empty() || !allOf(r.ric, isdigit) || !wholeNumber(r.ric, 0, kMaxRic))
                throw Refused{"Feld \"ric\" ist keine RIC"};
            r.function = number(j, "function", 0, 3);
            r.text = shown(j, "text", kMaxText);
            r.name = shown(j, "name", kMaxName);
            if (j.contains("verschluesselt")) {
                const Json& v = j["verschluesselt"];
                if (!v.is_boolean()) throw Refused{"Feld \"verschluesselt\" ist kein Wahrheitswert"};
                r.verschluesselt = v.get<bool>();
            }
            if (j.contains("complete")) {
                const Json& v = j["complete"];
                if (!v.is_boolean()) throw Refused{"Feld \"complete\" ist kein Wahrheitswert"};
                r.complete = v.get<bool>();
            }
        } else if (protocol == "tonruf") {
            onlyFields(j, {"tone"});
            r.protocol = RecordProtocol::Tonruf;
            r.tone = text(j, "tone", 2);
            if (r.tone != "I" && r.tone != "II") throw Refused{"Feld \"tone\" ist nicht I/II"};
        } else {
            throw Refused{"unbekanntes Protokoll"};
        }
        theirView(j);
        r.sites = {site};
        out.record = std::move(r);
    } catch (const Refused& e) {
        out.error = e.why;
    }
    return out;
}

std::string remoteTimeRefusal(double recordSeconds, double nowSeconds) {
    if (recordSeconds < nowSeconds - kOldestSeconds) return "älter als 10 Minuten";
    if (recordSeconds > nowSeconds + kAheadSeconds) return "mehr als 1 Minute vor unserer Uhr";
    return {};
}

}  // namespace kub
