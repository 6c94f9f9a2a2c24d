#include "core/incident_grouper.h"

#include <algorithm>
#include <cmath>

#include "common/cipher_text.h"
#include "common/time_text.h"
#include "core/reception_context.h"
#include "core/test_alarm.h"
#include "export/export_line.h"

namespace kub {

namespace {

constexpr std::size_t kLongestText = 4096;
constexpr std::size_t kLongestName = 200;
// A clock set back by more than this closes what is open: waiting for the old time to
// come round again would hold an alarm back for as long as the clock jumped.
constexpr double kClockBackTolerance = 2;

std::string collapsed(const std::string& text) {
    std::string out;
    bool blank = false;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            blank = !out.empty();
            continue;
        }
        if (blank) out += ' ';
        blank = false;
        out += c;
    }
    return out;
}

std::string oneLine(const std::string& text) {
    std::string out = text;
    std::replace_if(out.begin(), out.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
    return out;
}

bool sameUnit(const Einheit& u, const ReceptionRecord& r) {
    return r.protocol == RecordProtocol::Zvei ? u.ric.empty() && u.code == r.code
                                              : u.ric == r.ric && u.function == r.function;
}

void addOnce(std::vector<std::string>& list, const std::string& value) {
    if (!value.empty() && std::find(list.begin(), list.end(), value) == list.end()) list.push_back(value);
}

}  // namespace

std::string incidentKeyword(const ReceptionRecord& r) {
    for (const auto& [name, value] : r.felder)
        if (name == "stichwort") return value;
    return {};
}

std::string incidentUnitIds(const ReceptionRecord& r) {
    std::string ids;
    for (const Einheit& u : r.einheiten) ids += (ids.empty() ? "" : ",") + (u.ric.empty() ? u.code : u.ric);
    return ids;
}

std::string incidentRow(const ReceptionRecord& r) {
    std::string units;
    for (const Einheit& u : r.einheiten) {
        const std::string id = u.ric.empty() ? u.code : u.ric;
        units += (units.empty() ? "" : ", ") + (u.name.empty() || u.name == "?" ? id : id + " " + u.name);
    }
    std::string text = r.text;
    if (r.verschluesselt) text = "[verschlüsselt] " + text;
    if (r.probealarm) text = "[Probealarm] " + text;
    return dateTimeText(toLocalTime(r.seconds)) + '\t' + oneLine(incidentKeyword(r)) + '\t' + oneLine(units) + '\t' +
           oneLine(text);
}

void IncidentGrouper::configure(const AlarmSettings& settings) {
    settings_ = settings;
    fields_ = TextFields(settings.fields);
}

bool IncidentGrouper::closed(const Open& o, double now) const {
    const double end = std::min(o.firstSeen + kLongestIncidentSeconds,
                                std::max(o.firstSeen + settings_.windowSeconds, o.lastSeen + settings_.followSeconds));
    return now >= end || now < o.lastSeen - kClockBackTolerance;
}

IncidentGrouper::Open* IncidentGrouper::joinable(const ReceptionRecord& r, const std::string& key, double now) {
    const bool zvei = r.protocol == RecordProtocol::Zvei;
    Open* newest = nullptr;
    Open* waitingForText = nullptr;
    for (Open& o : open_) {
        if (o.zvei != zvei || closed(o, now)) continue;
        const bool known = std::any_of(o.record.einheiten.begin(), o.record.einheiten.end(),
                                       [&](const Einheit& u) { return sameUnit(u, r); });
        if (o.full && !known) continue;
        // The same text is the same alarm, from whichever transmitter, channel or site.
        if (!zvei && !key.empty() && o.textKey == key) return &o;
        newest = &o;
        if (o.textKey.empty()) waitingForText = &o;
    }
    // ZVEI codes in a row, and tone-only pages, belong to the alarm going on; a text page
    // completes tone-only pages before it. A different text is a different alarm.
    if (zvei || key.empty()) return newest;
    return waitingForText;
}

void IncidentGrouper::join(Open& o, const ReceptionRecord& r, double now) {
    o.lastSeen = now;
    ReceptionRecord& in = o.record;
    const std::size_t before = o.bytes;
    if (in.text.empty() && !r.text.empty()) {
        in.text = r.text.substr(0, kLongestText);
        o.textKey = collapsed(in.text);
        o.bytes += in.text.size() + o.textKey.size();
    }
    in.verschluesselt = in.verschluesselt || (r.verschluesselt && collapsed(r.text) == o.textKey);
    addOnce(in.channels, r.channel);
    addOnce(in.sites, r.site);
    const bool known = std::any_of(in.einheiten.begin(), in.einheiten.end(),
                                   [&](const Einheit& u) { return sameUnit(u, r); });
    if (!known && !o.full) {
        Einheit u{r.protocol == RecordProtocol::Zvei ? "" : r.ric, r.function, r.code, r.name.substr(0, kLongestName),
                  r.colour};
        o.bytes += sizeof(Einheit) + u.ric.size() + u.code.size() + u.name.size();
        in.einheiten.push_back(std::move(u));
        o.full = in.einheiten.size() >= kMostUnits;
    }
    o.bytes += r.channel.size() + r.site.size();
    openBytes_ += o.bytes - before;
}

void IncidentGrouper::deliver(const ReceptionRecord& r) {
    if (r.protocol != RecordProtocol::Pocsag && r.protocol != RecordProtocol::Zvei) return;
    const double now = context_.clock.nowSeconds();
    const std::string key = r.protocol == RecordProtocol::Pocsag ? collapsed(r.text.substr(0, kLongestText)) : "";
    Open* o = joinable(r, key, now);
    if (!o) {
        // Past the bounds the oldest incident is made to close; the next tick hands it on.
        if (open_.size() >= kMostOpen || openBytes_ >= kMostOpenBytes) {
            for (Open& old : open_) {
                if (closed(old, now)) continue;
                old.lastSeen = old.firstSeen = now - kLongestIncidentSeconds;
                break;
            }
        }
        Open fresh;
        fresh.zvei = r.protocol == RecordProtocol::Zvei;
        fresh.firstSeen = now;
        fresh.record.protocol = RecordProtocol::Einsatz;
        fresh.record.time = r.time;
        fresh.record.seconds = r.seconds;
        fresh.record.channel = r.channel;
        fresh.record.frequency = r.frequency;
        fresh.record.incidentId = nextId_++;
        fresh.bytes = sizeof(Open) + r.time.size() + r.channel.size();
        openBytes_ += fresh.bytes;
        open_.push_back(std::move(fresh));
        o = &open_.back();
    }
    join(*o, r, now);
}

ReceptionRecord IncidentGrouper::finished(Open o) const {
    ReceptionRecord r = std::move(o.record);
    r.verschluesselt = r.verschluesselt || looksEncrypted(r.text);
    if (!r.verschluesselt) r.felder = fields_.read(r.text);
    r.probealarm = isTestAlarm(settings_.testAlarms, r.seconds, r.einheiten);
    r.row = incidentRow(r);
    if (settings_.exportLine) r.line = incidentExportLine(incidentKeyword(r), incidentUnitIds(r), r.text);
    return r;
}

void IncidentGrouper::handOnFirst(bool all) {
    // An output that lets the event loop run (an export) may bring the timer or the next
    // block back here; the incident on its way is already out of the list.
    if (handingOn_) return;
    handingOn_ = true;
    for (;;) {
        const double now = context_.clock.nowSeconds();
        const auto due = std::find_if(open_.begin(), open_.end(), [&](const Open& o) { return all || closed(o, now); });
        if (due == open_.end()) break;
        Open o = std::move(*due);
        open_.erase(due);
        openBytes_ -= std::min(openBytes_, o.bytes);
        context_.handOn(finished(std::move(o)));
    }
    handingOn_ = false;
}

void IncidentGrouper::tick() { handOnFirst(false); }

void IncidentGrouper::flush() { handOnFirst(true); }

}  // namespace kub
