#pragma once
// This monitor as a site on an MQTT broker: its receptions published, the receptions of
// the sites named in "Fernempfang" taken in. Lives on the thread of the reception
// handling; the network work is the link's. `poll` (every 100 ms or so) brings in what
// the link received and what it has to tell.

#include <functional>
#include <memory>
#include <set>
#include <string>

#include "core/reception_context.h"
#include "core/remote_reception.h"
#include "mqtt/mqtt_link.h"
#include "mqtt/mqtt_publisher.h"
#include "mqtt/mqtt_settings.h"

namespace kub {

class MqttSite {
public:
    using Say = std::function<void(const std::string& line)>;

    MqttSite(ReceptionContext& context, const MqttSettings& settings, Say say);
    ~MqttSite();
    MqttSite(const MqttSite&) = delete;
    MqttSite& operator=(const MqttSite&) = delete;

    // At most this many remote receptions per poll, so that a flooding site never holds
    // up the decoding; the rest wait in the link's bounded queue.
    static constexpr std::size_t kRemotePerPoll = 200;

    void poll();
    // Clean end: "online" 0 after what is waiting, for at most `graceSeconds`.
    void stop(double graceSeconds = 3.0);

    // The reception watchdog's state, retained under "<prefix>/empfang".
    void publishReceptionState(const std::string& json) { link_.publish({prefix_ + "/empfang", json, true}); }

    MqttLink& link() { return link_; }
    const std::string& prefix() const { return prefix_; }

private:
    void takeRemote(const MqttMessage& m);

    ReceptionContext& context_;
    std::string prefix_;
    std::vector<std::string> remotePrefixes_;
    Say say_;
    MqttLink link_;
    MqttPublisher publisher_;
    RemoteReception remote_;
    // After the two outputs they keep on the list, so they go first.
    OutputRegistration publisherOutput_;
    OutputRegistration remoteOutput_;
    static constexpr std::size_t kRefusalsKept = 100;
    std::set<std::string> refusals_;
    bool stopped_ = false;
};

MqttLinkOptions linkOptions(const MqttSettings& settings);

}  // namespace kub
