#include "mqtt/mqtt_alarm_link.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace kub {

namespace {

// Shared with the link's callback, which may come after the wait has given up.
struct Acknowledgement {
    std::mutex mutex;
    std::condition_variable came;
    bool done = false;
};

}  // namespace

AlarmSendResult MqttAlarmLink::publish(const std::string& topic, const std::string& payload, double seconds,
                                       const std::atomic<bool>& stop) {
    using Outcome = AlarmSendResult::Outcome;
    // While the link is down the message waits in the outbox, not in the link's queue,
    // where every new try would add another copy.
    auto ack = std::make_shared<Acknowledgement>();
    {
        std::lock_guard hold(mutex_);
        if (!link_ || !link_->connected()) return {Outcome::Retry, "MQTT-Broker nicht verbunden"};
        link_->publish({topic, payload, false}, [ack] {
            std::lock_guard lock(ack->mutex);
            ack->done = true;
            ack->came.notify_all();
        });
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    std::unique_lock lock(ack->mutex);
    // The wait is cut into slices so that the end of delivery is seen.
    while (!ack->done && !stop.load() && std::chrono::steady_clock::now() < end)
        ack->came.wait_for(lock, std::chrono::milliseconds(100));
    if (ack->done) return {Outcome::Delivered, {}};
    return {Outcome::Retry, "keine Bestätigung vom MQTT-Broker"};
}

}  // namespace kub
