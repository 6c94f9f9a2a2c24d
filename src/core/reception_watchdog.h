#pragma once
// The reception watchdog: a receiver whose squelch hangs, a cable pulled, a network whose
// periodic identity page stops — all look like a quiet night. It says when a channel has
// decoded nothing for N minutes, and when a watched RIC, Kennung or ZVEI code has not been
// heard for its N minutes; and says it again when reception returns. Only what is heard
// here counts: other sites' receptions say nothing about this site's receivers.

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/clock.h"
#include "core/reception_output.h"

namespace kub {

struct WatchdogEvent {
    std::string subject;  // "Kanal links", "Kanal FW-Nord 172.34 MHz", "1234567"
    bool silent = false;  // true: gone quiet; false: heard again
    std::string message;  // German, one line
};

class ReceptionWatchdog final : public ReceptionOutput {
public:
    struct Watched {
        std::string name;
        int minutes = 0;
    };
    // A channel by the name its records carry; an SDR channel with its frequency, so that
    // the notice says which of the stick's channels went quiet.
    struct Channel {
        Channel(const char* channelName) : name(channelName) {}
        Channel(std::string channelName, std::int64_t hz) : name(std::move(channelName)), frequency(hz) {}
        std::string name;
        std::int64_t frequency = 0;
    };
    // `channels`: those with a decoder on ("left", "right" or an SDR stick's). Time runs
    // from now.
    ReceptionWatchdog(const Clock& clock, std::vector<Channel> channels, int silentChannelMinutes,
                      std::vector<Watched> names);

    void deliver(const ReceptionRecord& record) override;
    // What went quiet or came back since the last look.
    std::vector<WatchdogEvent> check();
    // The subjects that are quiet now.
    std::vector<std::string> silentNow() const;
    bool empty() const { return watches_.empty(); }

    // {"time":…,"ok":…,"silent":[…],"text":…} for the last event.
    std::string stateJson(const WatchdogEvent& last) const;

private:
    struct Watch {
        std::string subject;
        std::string match;  // channel name or the name upper-cased
        bool channel = false;
        double limitSeconds = 0;
        double lastHeard = 0;
        bool silent = false;
    };
    const Clock& clock_;
    std::vector<Watch> watches_;
};

}  // namespace kub
