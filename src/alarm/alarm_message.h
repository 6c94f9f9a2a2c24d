#pragma once
// What the alarm rules hand to delivery: one message for one destination ("Alarmierung.toml",
// [ziel.NAME]), rendered from the record when it came and kept in the destination's outbox as
// is, so a retry after a restart sends exactly what the first try sent.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kub {

enum class AlarmTargetKind { Webhook, Mail, Mqtt, Program };

// One destination as the file describes it. Templates are already filled in the message.
struct AlarmTarget {
    std::string name;  // NAME of [ziel.NAME]
    AlarmTargetKind kind = AlarmTargetKind::Webhook;
    // webhook
    std::string url;
    std::string method = "POST";  // methode
    // mail
    std::string server;  // smtp://host:port or smtps://host:port
    std::string user;    // benutzer
    std::string password;  // passwort
    std::string from;      // von
    std::vector<std::string> to;  // an
    // mqtt
    std::string topic;  // thema
    // programm
    std::string path;  // pfad
};

// One delivery to one destination. `id` is the same on every try, so a receiver can drop
// repeats. No field carries CR or LF where it ends up in a header (headers, subject).
struct AlarmMessage {
    std::string id;
    std::string target;  // the destination's name
    double seconds = 0;  // when the record came (clock seconds)
    bool test = false;   // sent by "kubmon regeln test"
    // webhook: the body (default: the record's JSON) and the headers (kopf);
    // mail: the body (inhalt) and the subject (betreff); mqtt: the payload in body;
    // programm: the arguments (argumente), no shell.
    std::string body;
    std::string subject;
    std::vector<std::pair<std::string, std::string>> headers;
    std::vector<std::string> arguments;
};

// How one destination is doing, for the settings section and `kubmon regeln`.
struct AlarmTargetState {
    std::string name;
    double lastDeliverySeconds = 0;  // 0: none yet
    std::size_t waiting = 0;         // messages in the outbox
    std::size_t failed = 0;          // refused for good ("failed" list)
    std::string lastError;           // German, empty when the last try went through
};

// Takes messages for delivery. post() never blocks on the network: the message is in the
// destination's outbox on disk when it returns (or the loss is said).
class AlarmDispatch {
public:
    virtual ~AlarmDispatch() = default;
    virtual void post(const AlarmMessage& message) = 0;
    virtual std::vector<AlarmTargetState> states() const = 0;
};

}  // namespace kub
