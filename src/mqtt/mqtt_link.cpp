#include "mqtt/mqtt_link.h"

#include <mosquitto.h>

#include <chrono>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <utility>

namespace kub {

namespace {

constexpr std::size_t kInflightLimit = 20;
constexpr int kKeepAliveSeconds = 20;
// A broker that takes the connection and never answers is given up after this.
constexpr auto kConnackWait = std::chrono::seconds(10);

void initLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

MqttLink* linkOf(void* user) { return static_cast<MqttLink*>(user); }

}  // namespace

MqttLink::MqttLink(MqttLinkOptions options) : o_(std::move(options)) { initLibrary(); }

MqttLink::~MqttLink() { stop(0); }

void MqttLink::start() {
    if (thread_.joinable()) return;
    thread_ = std::thread([this] { run(); });
}

void MqttLink::publish(MqttMessage message) { publish(std::move(message), {}); }

void MqttLink::publish(MqttMessage message, std::function<void()> acknowledged) {
    std::lock_guard lock(mutex_);
    if (queue_.size() >= o_.queueLimit) {
        queue_.pop_front();
        ++dropped_;
        if (!dropSaid_) {
            dropSaid_ = true;
            notices_.push_back("MQTT: Warteschlange voll (" + std::to_string(o_.queueLimit) +
                               " Meldungen), die ältesten werden verworfen.");
        }
    }
    queue_.push_back({std::move(message), std::move(acknowledged)});
}

void MqttLink::stop(double graceSeconds) {
    {
        std::lock_guard lock(mutex_);
        if (ending_ && !thread_.joinable()) return;
        graceEnd_ = std::chrono::steady_clock::now() +
                    std::chrono::milliseconds(static_cast<long>(graceSeconds * 1000));
        ending_ = true;
        queue_.push_back({{o_.onlineTopic, "0", true}, {}});
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    // Nothing leaves without a word: what did not get out in time is counted.
    std::lock_guard lock(mutex_);
    std::size_t left = 0;
    for (const auto& m : queue_) left += m.topic != o_.onlineTopic;
    for (const auto& [mid, m] : inflight_) left += m.topic != o_.onlineTopic;
    if (left > 0 && graceSeconds > 0) {
        notices_.push_back("MQTT: " + std::to_string(left) + " Meldungen beim Beenden nicht mehr übertragen.");
    }
}

std::vector<std::string> MqttLink::takeNotices() {
    std::lock_guard lock(mutex_);
    return std::exchange(notices_, {});
}

std::vector<MqttMessage> MqttLink::takeIncoming(std::size_t most) {
    std::lock_guard lock(mutex_);
    const std::size_t n = std::min(most, incoming_.size());
    std::vector<MqttMessage> out(std::make_move_iterator(incoming_.begin()),
                                 std::make_move_iterator(incoming_.begin() + static_cast<std::ptrdiff_t>(n)));
    incoming_.erase(incoming_.begin(), incoming_.begin() + static_cast<std::ptrdiff_t>(n));
    for (const auto& m : out) incomingHeld_ -= m.topic.size() + m.payload.size();
    if (incoming_.empty()) incomingDropSaid_ = false;
    return out;
}

std::size_t MqttLink::waiting() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

bool MqttLink::connected() const {
    std::lock_guard lock(mutex_);
    return connectedFlag_;
}

std::string MqttLink::where() const { return o_.host + ":" + std::to_string(o_.port); }

void MqttLink::notice(const std::string& line) {
    std::lock_guard lock(mutex_);
    notices_.push_back(line);
}

void MqttLink::setState(State s, const std::string& detail) {
    if (s == state_) return;
    const State before = state_;
    state_ = s;
    switch (s) {
        case State::Connected:
            notice("MQTT verbunden mit " + where() + ".");
            break;
        case State::Unreachable:
            if (before != State::Lost)
                notice("MQTT-Broker " + where() + " nicht erreichbar" + detail +
                       "; neuer Versuch folgt, Meldungen warten.");
            break;
        case State::Refused:
            notice("MQTT-Anmeldung bei " + where() + " abgelehnt" + detail +
                   "; neuer Versuch folgt, Meldungen warten.");
            break;
        case State::Lost:
            notice("MQTT-Verbindung zu " + where() + " getrennt; Meldungen warten auf die Wiederverbindung.");
            break;
        case State::Starting:
            break;
    }
}

bool MqttLink::waitBackoff(int seconds) {
    std::unique_lock lock(mutex_);
    return !wake_.wait_for(lock, std::chrono::seconds(seconds), [this] { return ending_; });
}

void MqttLink::onConnect(int rc) {
    if (rc != 0) {
        refused_ = true;
        refusedCode_ = rc;
        return;
    }
    sessionUp_ = true;
    {
        std::lock_guard lock(mutex_);
        connectedFlag_ = true;
    }
    for (const auto& topic : o_.subscriptions) mosquitto_subscribe(mosq_, nullptr, topic.c_str(), 1);
    // What the broker had not acknowledged on the last connection goes out again (each
    // connection numbers its messages afresh), after "online", so that a reader sees the
    // site come up first.
    std::vector<Outgoing> again{{{o_.onlineTopic, "1", true}, {}}};
    for (auto& [mid, m] : inflight_) again.push_back(std::move(m));
    inflight_.clear();
    for (auto& m : again) {
        int mid = 0;
        if (mosquitto_publish(mosq_, &mid, m.topic.c_str(), static_cast<int>(m.payload.size()), m.payload.data(), 1,
                              m.retain) == MOSQ_ERR_SUCCESS) {
            inflight_.emplace(mid, std::move(m));
        } else {
            std::lock_guard lock(mutex_);
            queue_.push_front(std::move(m));
        }
    }
    setState(State::Connected);
}

void MqttLink::onDisconnect(int /*rc*/) { sessionUp_ = false; }

void MqttLink::onPublish(int mid) {
    const auto it = inflight_.find(mid);
    if (it == inflight_.end()) return;
    if (it->second.acknowledged) it->second.acknowledged();
    inflight_.erase(it);
}

void MqttLink::onMessage(const mosquitto_message* m) {
    if (!m || !m->topic) return;
    const auto size = static_cast<std::size_t>(std::max(m->payloadlen, 0));
    if (size > o_.incomingMessageBytes) {
        std::lock_guard lock(mutex_);
        if (!oversizeSaid_) {
            oversizeSaid_ = true;
            notices_.push_back("MQTT: Meldung von \"" + std::string(m->topic).substr(0, 200) + "\" verworfen (" +
                               std::to_string(size) + " Bytes, mehr als " + std::to_string(o_.incomingMessageBytes) +
                               "); weitere zu große Meldungen werden ohne Hinweis verworfen.");
        }
        return;
    }
    MqttMessage in{m->topic, std::string(static_cast<const char*>(m->payload), size), m->retain};
    const std::size_t bytes = in.topic.size() + in.payload.size();
    std::lock_guard lock(mutex_);
    while (!incoming_.empty() &&
           (incoming_.size() >= o_.incomingLimit || incomingHeld_ + bytes > o_.incomingBytes)) {
        incomingHeld_ -= incoming_.front().topic.size() + incoming_.front().payload.size();
        incoming_.pop_front();
        ++incomingDropped_;
        if (!incomingDropSaid_) {
            incomingDropSaid_ = true;
            notices_.push_back("MQTT: mehr Meldungen anderer Standorte als verarbeitet werden können; "
                               "die ältesten werden verworfen.");
        }
    }
    incomingHeld_ += bytes;
    incoming_.push_back(std::move(in));
}

void MqttLink::pump(struct mosquitto* m) {
    while (inflight_.size() < kInflightLimit) {
        Outgoing next;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty()) {
                if (dropSaid_) {
                    notices_.push_back("MQTT: Warteschlange wieder leer; " + std::to_string(dropped_) +
                                       " Meldungen wurden verworfen.");
                    dropSaid_ = false;
                    dropped_ = 0;
                }
                return;
            }
            next = std::move(queue_.front());
            queue_.pop_front();
        }
        int mid = 0;
        const int rc = mosquitto_publish(m, &mid, next.topic.c_str(), static_cast<int>(next.payload.size()),
                                         next.payload.data(), 1, next.retain);
        if (rc != MOSQ_ERR_SUCCESS) {
            // Not sent: it stays first in line for the next connection.
            std::lock_guard lock(mutex_);
            queue_.push_front(std::move(next));
            return;
        }
        inflight_.emplace(mid, std::move(next));
    }
}

bool MqttLink::connectOnce() {
    // A site that takes others in keeps its session on the broker: what they send while
    // it reconnects waits there for it.
    struct mosquitto* m = mosquitto_new(o_.clientId.c_str(), o_.subscriptions.empty(), this);
    if (!m) {
        setState(State::Unreachable, " (kein Speicher)");
        return false;
    }
    mosq_ = m;
    sessionUp_ = false;
    refused_ = false;
    mosquitto_connect_callback_set(m, [](struct mosquitto*, void* u, int rc) { linkOf(u)->onConnect(rc); });
    mosquitto_disconnect_callback_set(m, [](struct mosquitto*, void* u, int rc) { linkOf(u)->onDisconnect(rc); });
    mosquitto_publish_callback_set(m, [](struct mosquitto*, void* u, int mid) { linkOf(u)->onPublish(mid); });
    mosquitto_message_callback_set(
        m, [](struct mosquitto*, void* u, const mosquitto_message* msg) { linkOf(u)->onMessage(msg); });
    if (!o_.user.empty())
        mosquitto_username_pw_set(m, o_.user.c_str(), o_.password.empty() ? nullptr : o_.password.c_str());
    mosquitto_will_set(m, o_.onlineTopic.c_str(), 1, "0", 1, true);
    if (o_.tls) {
        const int rc = mosquitto_tls_set(m, o_.caFile.empty() ? nullptr : o_.caFile.c_str(),
                                         o_.caFile.empty() ? "/etc/ssl/certs" : nullptr, nullptr, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            setState(State::Unreachable, " (TLS: CA-Datei \"" + o_.caFile + "\" nicht lesbar)");
            return false;
        }
    }
    const int rc = mosquitto_connect_async(m, o_.host.c_str(), o_.port, kKeepAliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS) {
        const std::string why = rc == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquitto_strerror(rc);
        setState(State::Unreachable, " (" + why + ")");
        return false;
    }
    return true;
}

void MqttLink::serve(struct mosquitto* m) {
    const auto connectStart = std::chrono::steady_clock::now();
    while (true) {
        bool ending = false;
        {
            std::lock_guard lock(mutex_);
            ending = ending_;
        }
        if (ending) {
            // A clean end: what is waiting goes out while the grace lasts.
            bool empty = false;
            {
                std::lock_guard lock(mutex_);
                empty = queue_.empty();
            }
            if (!sessionUp_) return;
            if (empty && inflight_.empty()) {
                mosquitto_disconnect(m);
                mosquitto_loop(m, 100, 1);
                return;
            }
            // Not all out in time: the connection is dropped without a goodbye, so that
            // the broker says "0" for us as our last will.
            if (std::chrono::steady_clock::now() >= graceEnd_) return;
        }
        if (sessionUp_) pump(m);
        const int rc = mosquitto_loop(m, 50, 1);
        if (refused_) {
            const bool credentials = refusedCode_ == 4 || refusedCode_ == 5;
            setState(State::Refused, credentials ? ": Benutzer oder Passwort falsch"
                                                 : " (" + std::string(mosquitto_connack_string(refusedCode_)) + ")");
            return;
        }
        if (rc != MOSQ_ERR_SUCCESS) {
            if (state_ == State::Connected) {
                setState(State::Lost);
            } else {
                const std::string why = rc == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquitto_strerror(rc);
                setState(State::Unreachable, " (" + why + ")");
            }
            return;
        }
        if (!sessionUp_ && state_ != State::Connected &&
            std::chrono::steady_clock::now() - connectStart > kConnackWait) {
            setState(State::Unreachable, " (keine Antwort)");
            return;
        }
        if (!sessionUp_ && state_ == State::Connected) {
            setState(State::Lost);
            return;
        }
    }
}

void MqttLink::run() {
    int backoff = 1;
    while (true) {
        {
            std::lock_guard lock(mutex_);
            if (ending_) break;
        }
        if (connectOnce()) serve(mosq_);
        const bool wasUp = sessionUp_;
        {
            std::lock_guard lock(mutex_);
            connectedFlag_ = false;
        }
        mosquitto_destroy(mosq_);
        mosq_ = nullptr;
        sessionUp_ = false;
        if (wasUp || state_ == State::Connected) backoff = 1;
        if (!waitBackoff(backoff)) break;
        backoff = std::min(backoff * 2, o_.maxBackoffSeconds);
    }
}

}  // namespace kub
