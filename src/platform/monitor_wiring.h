#pragma once
// What a running monitor hands its receptions to beyond the five outputs every monitor
// has, wired the same way for the window and for "kubmon run": the live web board, the
// MQTT site (this site's receptions out, other sites' in) and the reception watchdog.
// Each output is on the reception context's list exactly as long as it runs here.
//
// The alarm rules' deliveries and the reception history join the monitor here too: one
// more member and one more registration each, started beside `runMqtt` and stopped in
// `stop`, so the window and the headless monitor get them at once.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/output_list.h"
#include "core/reception_watchdog.h"
#include "mqtt/mqtt_alarm_link.h"
#include "mqtt/mqtt_settings.h"
#include "mqtt/mqtt_site.h"
#include "platform/monitor_session.h"
#include "platform/repeating_timer.h"
#include "platform/web_view_server.h"

namespace kub {

// The channels the watchdog listens on: an SDR stick's channels when the core has any (the
// sound card is not listened to then), otherwise left and right where a decoder is on.
std::vector<ReceptionWatchdog::Channel> watchedChannels(const Settings& settings, MonitorCore& core);

class MonitorWiring {
public:
    struct Hooks {
        // The MQTT link's news, one German line each.
        std::function<void(const std::string&)> mqttNews;
        // What the watchdog found at a look, already published to the broker.
        std::function<void(const std::vector<WatchdogEvent>&)> watchdogNews;
    };

    MonitorWiring(MonitorSession& session, Hooks hooks);
    ~MonitorWiring();
    MonitorWiring(const MonitorWiring&) = delete;
    MonitorWiring& operator=(const MonitorWiring&) = delete;

    // The live web board on ADDRESS:PORT (port 0: any free one), an earlier one stopped
    // first; `seed` fills its tables with the rows already shown. Empty when it runs,
    // otherwise the German reason why not (and no board runs).
    using Seed = std::function<void(WebViewState&)>;
    std::string startWeb(const WebViewSources& sources, const std::string& address, int port,
                         const std::string& key, const Seed& seed);
    void stopWeb();
    WebViewServer* web() const { return web_.get(); }

    // The MQTT site and the watchdog by these settings and the decoder switches in force.
    // The link starts anew only when something of it changed: a save of another section
    // would otherwise take the site off the broker for a moment.
    void runMqtt(const MqttSettings& settings, const Settings& decoders);
    void stopMqtt();
    void stopWatchdog();
    MqttSite* mqttSite() const { return mqttSite_.get(); }
    // The MQTT link as the alarm deliveries see it: whichever link runs, or none. Lives
    // as long as this object; deliveries that use it must go first.
    AlarmBrokerLink& alarmBroker() { return alarmBroker_; }
    ReceptionWatchdog* watchdog() const { return watchdog_.get(); }

    // The way out: pages of an incident still open go out while every output is there,
    // then the watchdog, MQTT (its last words sent) and the web board stop.
    void stop();

private:
    void watchdogLook();

    MonitorSession& session_;
    Hooks hooks_;
    MqttAlarmLink alarmBroker_;
    std::unique_ptr<WebViewServer> web_;
    OutputRegistration webOutput_;
    MqttSettings mqtt_;
    std::unique_ptr<MqttSite> mqttSite_;
    RepeatingTimer mqttPoll_;
    std::unique_ptr<ReceptionWatchdog> watchdog_;
    OutputRegistration watchdogOutput_;
    RepeatingTimer watchdogTimer_;
};

}  // namespace kub
