#pragma once
// One connection to an MQTT broker, on a network thread of its own, so that a slow or
// absent broker never holds up the decoding. What is published waits in a bounded queue
// (the oldest goes first when it is full, and that is said once) until the broker has
// acknowledged it (QoS 1); a lost connection is tried again with a growing pause, and
// whatever the broker had not acknowledged is sent again. "<prefix>/online" is "1"
// (retained) while connected and "0" at a clean end; the broker says "0" for us as our
// last will when we vanish. What the link has to tell and what it receives wait for the
// owner's thread to take them.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct mosquitto;
struct mosquitto_message;

namespace kub {

struct MqttMessage {
    std::string topic;
    std::string payload;
    bool retain = false;
};

struct MqttLinkOptions {
    std::string host;
    int port = 1883;
    std::string user;
    std::string password;
    bool tls = false;
    std::string caFile;
    std::string clientId;
    std::string onlineTopic;
    std::vector<std::string> subscriptions;
    std::size_t queueLimit = 10000;
    std::size_t incomingLimit = 10000;
    // What is received waits for the owner's thread within these bounds too: a message
    // larger than any reception is dropped before it is queued, and the queue holds at
    // most this many bytes.
    std::size_t incomingMessageBytes = 16384;
    std::size_t incomingBytes = 16u << 20;
    // Longest pause between two connection attempts.
    int maxBackoffSeconds = 30;
};

class MqttLink {
public:
    explicit MqttLink(MqttLinkOptions options);
    ~MqttLink();
    MqttLink(const MqttLink&) = delete;
    MqttLink& operator=(const MqttLink&) = delete;

    void start();
    // From any thread; never waits for the network.
    void publish(MqttMessage message);
    // The same; `acknowledged` is called on the network thread once the broker has
    // acknowledged the message, never when it is dropped (queue full, link stopped).
    void publish(MqttMessage message, std::function<void()> acknowledged);
    // Ends the link: "<prefix>/online" 0 and what is still queued go out for at most
    // `graceSeconds` while connected, then a clean disconnect (no last will).
    void stop(double graceSeconds = 3.0);

    // For the owner's thread: German lines to show, and the messages received.
    std::vector<std::string> takeNotices();
    std::vector<MqttMessage> takeIncoming(std::size_t most);

    std::size_t waiting() const;
    bool connected() const;

    // Called by the library on the network thread.
    void onConnect(int rc);
    void onDisconnect(int rc);
    void onPublish(int mid);
    void onMessage(const mosquitto_message* message);

private:
    enum class State { Starting, Connected, Unreachable, Refused, Lost };
    struct Outgoing : MqttMessage {
        std::function<void()> acknowledged;
    };

    void run();
    bool connectOnce();
    void serve(struct mosquitto* m);
    void pump(struct mosquitto* m);
    void setState(State s, const std::string& detail = {});
    void notice(const std::string& line);
    bool waitBackoff(int seconds);
    std::string where() const;

    MqttLinkOptions o_;
    std::thread thread_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Outgoing> queue_;
    std::vector<std::string> notices_;
    std::deque<MqttMessage> incoming_;
    std::size_t incomingHeld_ = 0;  // bytes of topics and payloads in incoming_
    bool oversizeSaid_ = false;
    bool ending_ = false;
    std::chrono::steady_clock::time_point graceEnd_;
    bool connectedFlag_ = false;
    std::size_t dropped_ = 0;
    bool dropSaid_ = false;
    std::size_t incomingDropped_ = 0;
    bool incomingDropSaid_ = false;

    // Network thread only.
    struct mosquitto* mosq_ = nullptr;
    std::map<int, Outgoing> inflight_;
    bool sessionUp_ = false;
    bool refused_ = false;
    int refusedCode_ = 0;
    State state_ = State::Starting;
};

}  // namespace kub
