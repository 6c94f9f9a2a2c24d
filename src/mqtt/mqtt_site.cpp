#include "mqtt/mqtt_site.h"

#include <algorithm>

#include "core/remote_payload.h"

namespace kub {

namespace {

constexpr const char* kProtocolTopics[] = {"fms", "zvei", "pocsag", "tonruf"};

}  // namespace

MqttLinkOptions linkOptions(const MqttSettings& s) {
    MqttLinkOptions o;
    o.host = s.server;
    o.port = s.port;
    o.user = s.user;
    o.password = s.password;
    o.tls = s.tls;
    o.caFile = s.caFile;
    // One client per site: a second monitor of the same site takes the first one's place.
    o.clientId = "kub-" + s.prefix;
    o.onlineTopic = s.prefix + "/online";
    for (const auto& p : s.remotePrefixes) {
        if (p == s.prefix) continue;
        for (const char* t : kProtocolTopics) o.subscriptions.push_back(p + "/" + t);
    }
    return o;
}

MqttSite::MqttSite(ReceptionContext& context, const MqttSettings& settings, Say say)
    : context_(context),
      prefix_(settings.prefix),
      remotePrefixes_(settings.remotePrefixes),
      say_(std::move(say)),
      link_(linkOptions(settings)),
      publisher_(link_, settings.prefix),
      remote_(context, settings.remoteActions, settings.prefix),
      publisherOutput_(context.addOutput(publisher_)),
      remoteOutput_(context.addOutput(remote_)) {
    context_.siteReports = &remote_;
    link_.start();
}

MqttSite::~MqttSite() { stop(0); }

void MqttSite::stop(double graceSeconds) {
    if (stopped_) return;
    stopped_ = true;
    publisherOutput_.reset();
    remoteOutput_.reset();
    if (context_.siteReports == &remote_) context_.siteReports = nullptr;
    link_.stop(graceSeconds);
    for (const auto& line : link_.takeNotices()) say_(line);
}

void MqttSite::poll() {
    for (const auto& line : link_.takeNotices()) say_(line);
    // What is not taken now waits in the link's bounded queue for the next poll.
    for (const auto& m : link_.takeIncoming(kRemotePerPoll)) takeRemote(m);
}

void MqttSite::takeRemote(const MqttMessage& m) {
    const std::size_t slash = m.topic.rfind('/');
    if (slash == std::string::npos) return;
    const std::string site = m.topic.substr(0, slash);
    if (std::find(remotePrefixes_.begin(), remotePrefixes_.end(), site) == remotePrefixes_.end()) return;
    const RemoteParse parsed = parseRemoteRecord(m.payload, site);
    const std::string kind = m.topic.substr(slash + 1);
    std::string why = parsed.error;
    if (parsed.record && kind != protocolName(parsed.record->protocol)) why = "Protokoll passt nicht zum Thema";
    // Retained messages too: a status from long ago is not news at every start.
    if (why.empty()) why = remoteTimeRefusal(parsed.record->seconds, context_.clock.nowSeconds());
    if (!why.empty()) {
        // Said once per site and reason, not with every message that has it.
        const std::string refusal = site + "|" + why;
        if (refusals_.size() < kRefusalsKept && refusals_.insert(refusal).second) {
            say_("MQTT: Meldung von \"" + m.topic + "\" verworfen (" + why + ").");
        }
        return;
    }
    remote_.take(*parsed.record);
}

}  // namespace kub
