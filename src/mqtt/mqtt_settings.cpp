#include "mqtt/mqtt_settings.h"

#include <filesystem>
#include <sstream>

#include "common/whole_number.h"
#include "storage/text_file.h"

namespace kub {

namespace {

std::string filePath(const std::string& folder) {
    return (std::filesystem::path(folder) / kMqttFileName).string();
}

// A text item that may hold commas or leading blanks is written in quotes, so that the
// item rule reads it back whole.
std::string quoted(const std::string& s) { return "\"" + s + "\""; }

}  // namespace

std::vector<std::string> splitWords(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    std::string w;
    while (in >> w) words.push_back(w);
    return words;
}

std::string joinWords(const std::vector<std::string>& words) {
    std::string out;
    for (const auto& w : words) out += (out.empty() ? "" : " ") + w;
    return out;
}

std::vector<WatchedName> parseWatchedNames(const std::string& text) {
    std::vector<WatchedName> names;
    for (const auto& w : splitWords(text)) {
        const std::size_t eq = w.find('=');
        if (eq == 0 || eq == std::string::npos) continue;
        const long minutes = itemToNumber(w.substr(eq + 1));
        if (minutes < 1 || minutes > 100000) continue;
        names.push_back({w.substr(0, eq), static_cast<int>(minutes)});
    }
    return names;
}

std::string watchedNamesText(const std::vector<WatchedName>& names) {
    std::vector<std::string> words;
    for (const auto& n : names) words.push_back(n.name + "=" + std::to_string(n.minutes));
    return joinWords(words);
}

MqttSettings loadMqttSettings(const std::string& programFolder) {
    MqttSettings s;
    const auto lines = readItemLines(filePath(programFolder));
    if (!lines) return s;
    auto line = [&](std::size_t i) { return i < lines->size() ? (*lines)[i] : std::string(); };
    s.server = line(0);
    const long port = itemToNumber(line(1));
    if (port > 0 && port < 65536) s.port = static_cast<int>(port);
    s.user = line(2);
    s.password = line(3);
    if (!line(4).empty()) s.prefix = line(4);
    s.tls = itemToNumber(line(5)) == 1;
    s.caFile = line(6);
    s.remotePrefixes = splitWords(line(7));
    s.remoteActions = itemToNumber(line(8)) == 1;
    const long silent = itemToNumber(line(9));
    if (silent > 0 && silent <= 100000) s.silentChannelMinutes = static_cast<int>(silent);
    s.watchedNames = parseWatchedNames(line(10));
    return s;
}

bool saveMqttSettings(const std::string& programFolder, const MqttSettings& s) {
    const std::vector<std::string> lines = {
        quoted(s.server), numberLine(s.port), quoted(s.user), quoted(s.password), quoted(s.prefix),
        numberLine(s.tls ? 1 : 0), quoted(s.caFile), quoted(joinWords(s.remotePrefixes)),
        numberLine(s.remoteActions ? 1 : 0), numberLine(s.silentChannelMinutes),
        quoted(watchedNamesText(s.watchedNames))};
    // The password never lies readable for others, not even for a moment.
    return replaceTextLines(filePath(programFolder), lines, FileAccess::OwnerOnly);
}

std::optional<std::string> applyMqttAddress(const std::string& address, MqttSettings& s) {
    const std::string bad = "MQTT-Adresse \"" + address + "\" ungültig; erwartet mqtt://[Benutzer:Passwort@]Server[:Port]/Präfix";
    bool tls = false;
    std::string rest;
    if (address.rfind("mqtt://", 0) == 0) {
        rest = address.substr(7);
    } else if (address.rfind("mqtts://", 0) == 0) {
        rest = address.substr(8);
        tls = true;
    } else {
        return bad;
    }
    const std::size_t slash = rest.find('/');
    if (slash == std::string::npos || slash + 1 >= rest.size()) return bad;
    std::string prefix = rest.substr(slash + 1);
    while (!prefix.empty() && prefix.back() == '/') prefix.pop_back();
    if (prefix.empty() || prefix.find_first_of("#+") != std::string::npos) return bad;
    std::string authority = rest.substr(0, slash);
    std::string user, password;
    const std::size_t at = authority.rfind('@');
    if (at != std::string::npos) {
        const std::string cred = authority.substr(0, at);
        authority = authority.substr(at + 1);
        const std::size_t colon = cred.find(':');
        user = cred.substr(0, colon);
        if (colon != std::string::npos) password = cred.substr(colon + 1);
    }
    std::string host = authority;
    int port = tls ? kMqttsDefaultPort : kMqttDefaultPort;
    // A port after the last colon; an IPv6 address in brackets holds colons of its own.
    const std::size_t close = authority.find(']');
    const std::size_t colon = authority.rfind(':');
    const bool hasPort = colon != std::string::npos &&
                         (close == std::string::npos ? authority.find(':') == colon : colon > close);
    if (hasPort) {
        host = authority.substr(0, colon);
        const std::string portText = authority.substr(colon + 1);
        // Digits only: no sign in a port.
        const auto p = portText.find_first_not_of("0123456789") == std::string::npos
                           ? wholeNumber(portText, 1, 65535)
                           : std::nullopt;
        if (!p) return bad;
        port = static_cast<int>(*p);
    }
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    if (host.empty()) return bad;
    s.server = host;
    s.port = port;
    s.user = user;
    s.password = password;
    s.prefix = prefix;
    s.tls = tls;
    return std::nullopt;
}

}  // namespace kub
