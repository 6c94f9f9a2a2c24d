#include "core/remote_reception.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "common/cipher_text.h"
#include "common/time_text.h"
#include "decoders/fms/fms_reception.h"
#include "decoders/pocsag/pocsag_reception.h"

namespace kub {

namespace {

// Kept long enough for the repeat rule, and never more than this many.
constexpr std::size_t kSeenLimit = 4096;

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
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

bool RemoteReception::seenBefore(const std::string& key, double seconds, double window) const {
    return std::any_of(seen_.begin(), seen_.end(), [&](const Seen& s) {
        return s.key == key && std::fabs(std::floor(seconds) - std::floor(s.seconds)) < window;
    });
}

void RemoteReception::remember(const std::string& key, double seconds) {
    const double now = context_.clock.nowSeconds();
    while (!seen_.empty() && (seen_.size() >= kSeenLimit || now - seen_.front().arrived > 2 * kRepeatSeconds))
        seen_.pop_front();
    seen_.push_back({key, seconds, now});
}

void RemoteReception::deliver(const ReceptionRecord& record) {
    if (record.site.empty()) remember(transmissionKey(record), record.seconds);
}

bool RemoteReception::take(const ReceptionRecord& r) {
    const std::string key = transmissionKey(r);
    // ZVEI codes and RICs: the repeat rule of the decoders. A page's text may differ
    // between two sites' receptions; the RIC alone decides, as it does here.
    const bool keyed = r.protocol == RecordProtocol::Zvei || r.protocol == RecordProtocol::Pocsag;
    if (seenBefore(key, r.seconds, keyed ? kRepeatSeconds : kSameTransmissionSeconds)) return false;
    remember(key, r.seconds);
    // What this monitor makes of it (row, colour, board) is its own: another site's
    // vehicle table and receiver names are not ours.
    ReceptionRecord local = r;
    switch (r.protocol) {
        case RecordProtocol::Fms: prepareFms(local); break;
        case RecordProtocol::Zvei: {
            const ReceiverDisplay shown = context_.receivers.display(r.code);
            local.name = shown.name;
            local.colour = shown.colour;
            local.row = r.code + "\t" + shown.name + "\t" + dateTimeText(context_.clock.now());
            context_.pageChanged = 1;
            break;
        }
        case RecordProtocol::Pocsag: {
            const ReceiverDisplay shown = context_.receivers.display(r.ric);
            local.name = shown.name;
            local.colour = shown.colour;
            local.row = pocsagRow(r.ric, r.function, shown.name, dateTimeText(context_.clock.now()), r.text);
            // A site of an older version says nothing about it: judged here then.
            local.verschluesselt = r.verschluesselt || looksEncrypted(r.text);
            context_.pageChanged = 1;
            break;
        }
        case RecordProtocol::Tonruf:
        case RecordProtocol::Einsatz: break;
    }
    // The tables, lists and logs take it; the action program and the export lines only
    // when so set (see remoteActionsOn).
    context_.remoteActionsOn = runActions_;
    context_.handOn(local);
    return true;
}

void RemoteReception::prepareFms(ReceptionRecord& r) {
    // The FMS table is emptied past 500 rows, as for the receptions heard here.
    if (context_.window.tableRowCount(ReceptionTable::Fms) > 500) context_.window.setTableRowCount(ReceptionTable::Fms, 1);
    VehicleTable& table = context_.vehicles;
    const int slot = fmsVehicleSlot(table, r.kennung, r.status);
    if (slot >= 0 && r.direction == 0 && statusOfTheVehicle(r.status)) {
        storeVehicleStatus(context_, slot, r.status, r.tki, statusTimeText(toLocalTime(r.seconds)));
        r.statusStored = true;
    }
    FmsTelegramState state;
    state.lastKennung = r.kennung;
    state.lastStatus = static_cast<std::int16_t>(r.status);
    state.lastTki = static_cast<std::int16_t>(r.tki);
    state.lastDirection = static_cast<std::int16_t>(r.direction);
    state.textBuffer = r.text;
    r.row = fmsReceptionRow(context_, state, slot);
    r.slot = slot;
    r.vehicle.clear();
    r.info.clear();
    if (slot >= 0) {
        const VehicleRecord& rec = table.vehicleTable[static_cast<std::size_t>(slot)];
        r.vehicle = rec.rufname;
        r.info = rec.eigenschaft;
        context_.pageChanged = 1;
    }
}

}  // namespace kub
