#include "platform/monitor_wiring.h"

#include "core/monitor_channel.h"

namespace kub {

namespace {
constexpr int kMqttPollMs = 100;
constexpr int kWatchdogMs = 1000;
}  // namespace

std::vector<ReceptionWatchdog::Channel> watchedChannels(const Settings& s, MonitorCore& core) {
    std::vector<ReceptionWatchdog::Channel> channels;
    // In the core's order, which is the order of the channel list.
    const auto& frequencies = core.context.channelFrequencies;
    for (std::size_t i = 0; i < core.channelCount(); ++i)
        if (const auto f = frequencies.find(core.channel(i).name()); f != frequencies.end())
            channels.emplace_back(f->first, f->second);
    if (!channels.empty()) return channels;
    if (s.anyDecoderLeft()) channels.push_back("left");
    if (s.anyDecoderRight()) channels.push_back("right");
    return channels;
}

MonitorWiring::MonitorWiring(MonitorSession& session, Hooks hooks)
    : session_(session),
      hooks_(std::move(hooks)),
      mqttPoll_(kMqttPollMs, [this] {
          if (mqttSite_) mqttSite_->poll();
      }),
      watchdogTimer_(kWatchdogMs, [this] { watchdogLook(); }) {}

MonitorWiring::~MonitorWiring() { stop(); }

std::string MonitorWiring::startWeb(const WebViewSources& sources, const std::string& address, int port,
                                    const std::string& key, const Seed& seed) {
    stopWeb();
    auto web = std::make_unique<WebViewServer>(sources);
    const std::string refusal = web->start(address, port, key);
    if (!refusal.empty()) return refusal;
    if (seed) seed(web->state());
    web_ = std::move(web);
    webOutput_ = session_.core.context.addOutput(*web_);
    return {};
}

void MonitorWiring::stopWeb() {
    webOutput_.reset();
    if (web_) web_->stop();
    web_.reset();
}

void MonitorWiring::runMqtt(const MqttSettings& s, const Settings& decoders) {
    const bool relink = !mqttSite_ || !s.sameLink(mqtt_);
    stopWatchdog();
    if (relink) stopMqtt();
    mqtt_ = s;
    if (relink && mqtt_.on()) {
        mqttSite_ = std::make_unique<MqttSite>(session_.core.context, mqtt_, [this](const std::string& line) {
            if (hooks_.mqttNews) hooks_.mqttNews(line);
        });
        alarmBroker_.attach(&mqttSite_->link());
        mqttPoll_.start();
    }
    // The watchdog follows the decoder switches and its own settings at every save.
    std::vector<ReceptionWatchdog::Watched> watched;
    for (const auto& n : mqtt_.watchedNames) watched.push_back({n.name, n.minutes});
    watchdog_ = std::make_unique<ReceptionWatchdog>(session_.core.context.clock, watchedChannels(decoders, session_.core),
                                                    mqtt_.silentChannelMinutes, watched);
    if (!watchdog_->empty()) {
        watchdogOutput_ = session_.core.context.addOutput(*watchdog_);
        watchdogTimer_.start();
    }
}

void MonitorWiring::stopWatchdog() {
    watchdogTimer_.stop();
    watchdogOutput_.reset();
    watchdog_.reset();
}

void MonitorWiring::stopMqtt() {
    mqttPoll_.stop();
    alarmBroker_.attach(nullptr);
    if (mqttSite_) mqttSite_->stop();
    mqttSite_.reset();
}

void MonitorWiring::watchdogLook() {
    if (!watchdog_) return;
    const auto events = watchdog_->check();
    if (events.empty()) return;
    if (mqttSite_)
        for (const auto& e : events) mqttSite_->publishReceptionState(watchdog_->stateJson(e));
    if (hooks_.watchdogNews) hooks_.watchdogNews(events);
}

void MonitorWiring::stop() {
    session_.core.context.flush();
    stopWatchdog();
    stopMqtt();
    stopWeb();
}

}  // namespace kub
