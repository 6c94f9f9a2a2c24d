#include "core/remote_reception.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <ctime>
#include <optional>

#include "common/cipher_text.h"
#include "common/date_time_parse.h"
#include "common/time_text.h"
#include "core/handling/fms_handling.h"
#include "core/handling/pocsag_handling.h"
#include "export/export_line.h"

namespace kub {

namespace {

// Kept long enough for the repeat rule, and never more than this many.
constexpr std::size_t kSeenLimit = 4096;

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

ReceptionTable tableOf(RecordProtocol p) {
    if (p == RecordProtocol::Zvei) return ReceptionTable::Zvei;
    if (p == RecordProtocol::Pocsag) return ReceptionTable::Pocsag;
    return ReceptionTable::Fms;
}

// ZVEI codes and RICs: the repeat rule of the decoders. A page's text may differ between
// two sites' receptions; the RIC alone decides, as it does here.
double windowOf(RecordProtocol p) {
    const bool keyed = p == RecordProtocol::Zvei || p == RecordProtocol::Pocsag;
    return keyed ? RemoteReception::kRepeatSeconds : RemoteReception::kSameTransmissionSeconds;
}

// The instant a status time text "07.12. 04:55" stands for: the latest such minute not
// later than a day after `now` (the text has no year). Nullopt when it is no such text.
std::optional<double> statusTimeSeconds(const std::string& text, double now) {
    const auto stored = parseStatusTimeText(text);
    if (!stored) return std::nullopt;
    const LocalTime today = toLocalTime(now);
    for (int year = today.year; year >= today.year - 1; --year) {
        std::tm tm{};
        tm.tm_year = year - 1900;
        tm.tm_mon = stored->month - 1;
        tm.tm_mday = stored->day;
        tm.tm_hour = stored->hour;
        tm.tm_min = stored->minute;
        tm.tm_isdst = -1;
        const auto t = static_cast<double>(std::mktime(&tm));
        if (t <= now + 86400) return t;
    }
    return std::nullopt;
}

std::string joined(const std::vector<std::string>& sites) {
    std::string out;
    for (const auto& s : sites) out += (out.empty() ? "" : ", ") + s;
    return out;
}

}  // namespace

std::string transmissionKey(const ReceptionRecord& r) {
    switch (r.protocol) {
        case RecordProtocol::Fms:
            return "fms|" + upper(r.kennung) + "|" + std::to_string(r.status) + "|" + std::to_string(r.tki) + "|" +
                   std::to_string(r.direction) + "|" + r.text;
        case RecordProtocol::Zvei: return "zvei|" + r.code;
        case RecordProtocol::Pocsag: return "pocsag|" + r.ric;
        case RecordProtocol::Tonruf: return "tonruf|" + r.tone;
        case RecordProtocol::Einsatz: return "einsatz|" + std::to_string(r.incidentId);
    }
    return {};
}

RemoteReception::Seen* RemoteReception::shownBefore(const ReceptionRecord& r, bool fromSiteOnly) {
    const std::string key = transmissionKey(r);
    const double window = windowOf(r.protocol);
    // The newest first: a repeat is merged with the row it repeats.
    for (auto it = seen_.rbegin(); it != seen_.rend(); ++it) {
        if (fromSiteOnly && !it->fromSite) continue;
        if (it->key == key && std::fabs(std::floor(r.seconds) - std::floor(it->seconds)) < window) return &*it;
    }
    return nullptr;
}

void RemoteReception::remember(const ReceptionRecord& shown, bool fromSite, std::vector<std::string> sites) {
    const double now = context_.clock.nowSeconds();
    while (!seen_.empty() && (seen_.size() >= kSeenLimit || now - seen_.front().arrived > 2 * kRepeatSeconds))
        seen_.pop_front();
    seen_.push_back(
        {transmissionKey(shown), shown.seconds, now, fromSite, shown.protocol, shown.row, std::move(sites)});
}

void RemoteReception::addSource(Seen& seen, const std::string& site) {
    if (std::find(seen.sites.begin(), seen.sites.end(), site) != seen.sites.end()) return;
    // A handful of sites at most; a flood of names would only repeat them.
    if (seen.sites.size() >= 16) return;
    seen.sites.push_back(site);
    if (seen.protocol != RecordProtocol::Tonruf)
        context_.window.setTableRowSites(tableOf(seen.protocol), seen.row, joined(seen.sites));
}

void RemoteReception::deliver(const ReceptionRecord& record) {
    if (!record.site.empty()) return;
    remember(record, false, {ownSite_});
    if (record.statusStored && record.slot >= 0) statusSeconds_[record.slot] = record.seconds;
}

bool RemoteReception::heardElsewhere(const ReceptionRecord& local) {
    Seen* seen = shownBefore(local, true);
    if (!seen) return false;
    addSource(*seen, ownSite_);
    return true;
}

bool RemoteReception::take(const ReceptionRecord& r) {
    if (Seen* seen = shownBefore(r, false)) {
        addSource(*seen, r.site);
        return false;
    }
    // What this monitor makes of it (row, line, colour, board) is its own: another site's
    // vehicle table and receiver names are not ours, and its line is not taken.
    ReceptionRecord local = r;
    local.sites = {r.site};
    switch (r.protocol) {
        case RecordProtocol::Fms: prepareFms(local); break;
        case RecordProtocol::Zvei: {
            const ReceiverDisplay shown = context_.receivers.display(r.code);
            local.name = shown.name;
            local.colour = shown.colour;
            local.receiverListed = shown.listed;
            local.row = r.code + "\t" + shown.name + "\t" + dateTimeText(context_.clock.now());
            local.line = zveiExportLine(r.code, shown.name);
            context_.markPageChanged();
            break;
        }
        case RecordProtocol::Pocsag: {
            const ReceiverDisplay shown = context_.receivers.display(r.ric);
            local.name = shown.name;
            local.colour = shown.colour;
            local.receiverListed = shown.listed;
            local.row = pocsagRow(r.ric, r.function, shown.name, dateTimeText(context_.clock.now()), r.text);
            local.line = pocsagExportLine(r.ric, r.function, r.text);
            // A site of an older version says nothing about it: judged here then.
            local.verschluesselt = r.verschluesselt || looksEncrypted(r.text);
            context_.markPageChanged();
            break;
        }
        case RecordProtocol::Tonruf:
        case RecordProtocol::Einsatz: local.line.clear(); break;
    }
    remember(local, true, local.sites);
    // The tables, lists and logs take it; the action program and the export lines only
    // when so set (see remoteActionsOn).
    context_.remoteActionsOn = runActions_;
    context_.handOn(local);
    return true;
}

bool RemoteReception::olderThanStored(int slot, double seconds) const {
    const auto known = statusSeconds_.find(slot);
    if (known != statusSeconds_.end()) return seconds < known->second;
    // Set before this run: its status file has the minute.
    const VehicleRecord& rec = context_.vehicles.vehicleTable[static_cast<std::size_t>(slot)];
    const auto stored = statusTimeSeconds(rec.statusTime, context_.clock.nowSeconds());
    return stored && seconds < *stored;
}

void RemoteReception::prepareFms(ReceptionRecord& r) {
    // The FMS table is emptied past 500 rows, as for the receptions heard here.
    if (context_.window.tableRowCount(ReceptionTable::Fms) > 500) context_.window.setTableRowCount(ReceptionTable::Fms, 1);
    VehicleTable& table = context_.vehicles;
    const int slot = fmsVehicleSlot(table, r.kennung, r.status);
    if (slot >= 0 && r.direction == 0 && statusOfTheVehicle(r.status) && !olderThanStored(slot, r.seconds)) {
        storeVehicleStatus(context_, slot, r.status, r.tki, statusTimeText(toLocalTime(r.seconds)));
        r.statusStored = true;
        statusSeconds_[slot] = r.seconds;
    }
    FmsTelegramEvent telegram;
    telegram.kennung = r.kennung;
    telegram.status = r.status;
    telegram.tki = r.tki;
    telegram.direction = r.direction;
    telegram.text = r.text;
    r.row = fmsReceptionRow(context_, telegram, slot);
    r.line = fmsExportLine(r.kennung, r.status, r.tki, r.direction);
    r.slot = slot;
    r.vehicle.clear();
    r.info.clear();
    if (slot >= 0) {
        const VehicleRecord& rec = table.vehicleTable[static_cast<std::size_t>(slot)];
        r.vehicle = rec.rufname;
        r.info = rec.eigenschaft;
        context_.markPageChanged();
    }
}

}  // namespace kub
