#pragma once
// "MQTT.ini" in the program folder: where receptions are published and which other
// receiver sites are taken in. A file of its own, apart from "Mon.ini", because it holds
// a password: it is written readable by its owner only. Positional lines, one item each,
// as every data file of ours:
//   1 Server (empty: MQTT off)   2 Port   3 Benutzer   4 Passwort   5 Themen-Präfix
//   6 TLS (1 = on)   7 CA-Datei   8 Fernempfang: the other sites' prefixes, blank-separated
//   9 Aktionsprogramm und Exporte auch für Fernempfang (1 = on)
//  10 Empfangswächter: minutes without anything decoded on a channel (0 = off)
//  11 Empfangswächter: "RIC/Kennung=Minuten" blank-separated

#include <optional>
#include <string>
#include <vector>

namespace kub {

constexpr const char* kMqttFileName = "MQTT.ini";
constexpr int kMqttDefaultPort = 1883;
constexpr int kMqttsDefaultPort = 8883;

struct WatchedName {
    std::string name;  // a RIC or a Kennung
    int minutes = 0;
    bool operator==(const WatchedName&) const = default;
};

struct MqttSettings {
    std::string server;
    int port = kMqttDefaultPort;
    std::string user;
    std::string password;
    std::string prefix = "kub";
    bool tls = false;
    std::string caFile;
    std::vector<std::string> remotePrefixes;
    bool remoteActions = false;
    int silentChannelMinutes = 0;
    std::vector<WatchedName> watchedNames;

    bool on() const { return !server.empty(); }
    bool operator==(const MqttSettings&) const = default;
    // The same broker, login, site and other sites: the link need not start anew.
    bool sameLink(const MqttSettings& o) const {
        return server == o.server && port == o.port && user == o.user && password == o.password &&
               prefix == o.prefix && tls == o.tls && caFile == o.caFile && remotePrefixes == o.remotePrefixes &&
               remoteActions == o.remoteActions;
    }
};

// The folder's "MQTT.ini"; the defaults (MQTT off) when there is none.
MqttSettings loadMqttSettings(const std::string& programFolder);
// Written in full, mode 0600, replacing the old file in one step. False when it could not be.
bool saveMqttSettings(const std::string& programFolder, const MqttSettings& s);

// mqtt://[user:pass@]host[:port]/prefix or mqtts://…: the connection part of `s` taken
// from the address; an error text in German when the address is not one.
std::optional<std::string> applyMqttAddress(const std::string& address, MqttSettings& s);

// "RIC/Kennung=Minuten …" both ways; parts that are not of that shape are skipped.
std::vector<WatchedName> parseWatchedNames(const std::string& text);
std::string watchedNamesText(const std::vector<WatchedName>& names);
// Blank-separated words.
std::vector<std::string> splitWords(const std::string& text);
std::string joinWords(const std::vector<std::string>& words);

}  // namespace kub
