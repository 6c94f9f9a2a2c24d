#include "core/reception_watchdog.h"

#include <algorithm>
#include <cctype>
#include <nlohmann/json.hpp>

#include "common/time_text.h"
#include "core/channel_cell.h"

namespace kub {

namespace {

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string channelSubject(const ReceptionWatchdog::Channel& c) {
    if (c.name == "left") return "Kanal links";
    if (c.name == "right") return "Kanal rechts";
    // As the day log names the channel: a dispatcher with two sticks' lists finds it by its frequency.
    const std::string cell = channelCell(c.name, c.frequency);
    return cell.empty() ? "Kanal " + c.name : cell;
}

std::string quietMessage(const std::string& subject, bool channel, int minutes) {
    const std::string span = std::to_string(minutes) + (minutes == 1 ? " Minute" : " Minuten");
    if (channel) return "Empfangswächter: " + subject + " seit " + span + " nichts dekodiert.";
    return "Empfangswächter: " + subject + " seit " + span + " nicht empfangen.";
}

}  // namespace

ReceptionWatchdog::ReceptionWatchdog(const Clock& clock, std::vector<Channel> channels,
                                     int silentChannelMinutes, std::vector<Watched> names)
    : clock_(clock) {
    const double now = clock_.nowSeconds();
    if (silentChannelMinutes > 0)
        for (const auto& c : channels)
            watches_.push_back({channelSubject(c), c.name, true, silentChannelMinutes * 60.0, now, false});
    for (const auto& n : names)
        if (n.minutes > 0 && !n.name.empty())
            watches_.push_back({n.name, upper(n.name), false, n.minutes * 60.0, now, false});
}

void ReceptionWatchdog::deliver(const ReceptionRecord& r) {
    // An incident is made of receptions already counted, perhaps of other sites only.
    if (!r.site.empty() || r.protocol == RecordProtocol::Einsatz) return;
    const double now = clock_.nowSeconds();
    for (Watch& w : watches_) {
        const bool heard = w.channel ? r.channel == w.match
                                     : upper(r.kennung) == w.match || r.ric == w.match || r.code == w.match;
        if (heard) w.lastHeard = now;
    }
}

std::vector<WatchdogEvent> ReceptionWatchdog::check() {
    std::vector<WatchdogEvent> events;
    const double now = clock_.nowSeconds();
    for (Watch& w : watches_) {
        const bool quiet = now - w.lastHeard >= w.limitSeconds;
        if (quiet == w.silent) continue;
        w.silent = quiet;
        if (quiet) {
            events.push_back({w.subject, true,
                              quietMessage(w.subject, w.channel, static_cast<int>(w.limitSeconds / 60))});
        } else {
            events.push_back({w.subject, false,
                              "Empfangswächter: " + w.subject + (w.channel ? " dekodiert wieder." : " wieder empfangen.")});
        }
    }
    return events;
}

std::vector<std::string> ReceptionWatchdog::silentNow() const {
    std::vector<std::string> quiet;
    for (const Watch& w : watches_)
        if (w.silent) quiet.push_back(w.subject);
    return quiet;
}

std::string ReceptionWatchdog::stateJson(const WatchdogEvent& last) const {
    nlohmann::ordered_json j;
    j["time"] = isoTimeText(clock_.nowSeconds());
    const auto quiet = silentNow();
    j["ok"] = quiet.empty();
    j["silent"] = quiet;
    j["text"] = last.message;
    return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace kub
