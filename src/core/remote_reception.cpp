#include "core/remote_reception.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "common/time_text.h"
#include "decoders/fms/fms_reception.h"
#include "decoders/pocsag/pocsag_reception.h"
#include "storage/day_log.h"

namespace kub {

namespace {

// Kept long enough for the repeat rule, and never more than this many.
constexpr std::size_t kSeenLimit = 4096;

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

int findSlot(const VehicleTable& table, const std::string& kennung, int lastSlot) {
    const std::string wanted = upper(kennung);
    const int end = std::min(lastSlot, static_cast<int>(table.vehicleTable.size()) - 1);
    for (int i = 0; i <= end; ++i)
        if (upper(table.vehicleTable[static_cast<std::size_t>(i)].kennung) == wanted) return i;
    return -1;
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
    switch (r.protocol) {
        case RecordProtocol::Fms: showFms(r); break;
        case RecordProtocol::Zvei: showZvei(r); break;
        case RecordProtocol::Pocsag: showPocsag(r); break;
        case RecordProtocol::Tonruf: showToneCall(r); break;
    }
    context_.handOn(r);
    return true;
}

void RemoteReception::launch(const std::vector<std::string>& args) {
    if (runActions_ && !context_.actionProgram.empty() && context_.launcher)
        context_.launcher->launch(context_.actionProgram, args);
}

void RemoteReception::exportLine(const std::string& line) {
    context_.window.receptionLine(line);
    if (!runActions_) return;
    if (context_.tcpExportOn) context_.window.send_message(line);
    if (context_.windowMessageExportOn) context_.window.Send_to_Anwendung(line);
}

void RemoteReception::showFms(const ReceptionRecord& r) {
    ReceptionWindow& w = context_.window;
    VehicleTable& table = context_.vehicles;
    int slot = -1;
    switch (r.status) {
        case 0: case 5: case 10: case 12: case 15:
            if (r.status == 0) addAlertLine(context_, AlertList::List3, r.kennung);
            if (r.status == 5) addAlertLine(context_, AlertList::List2, r.kennung);
            if (r.status == 15) addAlertLine(context_, AlertList::List1, r.kennung);
            slot = findSlot(table, r.kennung, table.vehicleCount - 1);
            break;
        case 13: case 14:
            slot = findSlot(table, r.kennung, table.vehicleCount - 1);
            break;
        case 11:
            break;
        default:
            slot = findSlot(table, r.kennung, table.lastNamedSlot);
            if (slot >= 0 && r.direction == 0) {
                VehicleRecord& rec = table.vehicleTable[static_cast<std::size_t>(slot)];
                rec.status = static_cast<std::int16_t>(r.status);
                rec.tki = static_cast<std::int16_t>(r.tki);
                const std::string time = statusTimeText(toLocalTime(r.seconds));
                rec.statusTime = time;
                w.update_label();
                if (!context_.programFolder.empty()) {
                    const bool ok = writeStatusFile(context_.programFolder, table, slot, time);
                    context_.noteWrite("Statusdatei", ok,
                                       ok ? std::string()
                                          : "Statusdatei nicht geschrieben: " +
                                                statusFilePath(context_.programFolder, slot));
                }
            }
            break;
    }
    FmsTelegramState state;
    state.lastKennung = r.kennung;
    state.lastStatus = static_cast<std::int16_t>(r.status);
    state.lastTki = static_cast<std::int16_t>(r.tki);
    state.lastDirection = static_cast<std::int16_t>(r.direction);
    state.textBuffer = r.text;
    const std::string row = fmsReceptionRow(context_, state, slot);
    w.insertTableRow(ReceptionTable::Fms, row);
    w.setTableRowSite(ReceptionTable::Fms, 1, r.site);
    const bool ok = appendFmsLog(context_.programFolder, context_.clock, row);
    context_.noteWrite("FMS-Logbuch", ok,
                       ok ? std::string()
                          : "FMS-Logbuch nicht geschrieben: " +
                                dayLogPath(context_.programFolder, LogKind::Fms, context_.clock.now()));
    if (slot >= 0) {
        if (r.status < 10 && r.direction == 0) launch({"FMS", r.kennung});
        context_.pageChanged = 1;
    }
    exportLine(r.line);
}

void RemoteReception::showZvei(const ReceptionRecord& r) {
    ReceptionWindow& w = context_.window;
    const ReceiverDisplay shown = context_.receivers.display(r.code);
    const std::string row = r.code + "\t" + shown.name + "\t" + dateTimeText(context_.clock.now());
    w.insertTableRow(ReceptionTable::Zvei, row);
    w.setTableCellColour(ReceptionTable::Zvei, 1, 1, shown.colour);
    w.setTableRowSite(ReceptionTable::Zvei, 1, r.site);
    keepNewestRows(w, ReceptionTable::Zvei);
    const bool ok = appendZveiLog(context_.programFolder, context_.clock, row);
    context_.noteWrite("ZVEI-Logbuch", ok,
                       ok ? std::string()
                          : "ZVEI-Logbuch nicht geschrieben: " +
                                dayLogPath(context_.programFolder, LogKind::Zvei, context_.clock.now()));
    launch({"ZVEI", r.code});
    context_.pageChanged = 1;
    exportLine(r.line);
}

void RemoteReception::showPocsag(const ReceptionRecord& r) {
    ReceptionWindow& w = context_.window;
    const ReceiverDisplay shown = context_.receivers.display(r.ric);
    const std::string row = pocsagRow(r.ric, r.function, shown.name, dateTimeText(context_.clock.now()), r.text);
    w.insertTableRow(ReceptionTable::Pocsag, row);
    w.setTableCellColour(ReceptionTable::Pocsag, 1, 2, shown.colour);
    w.setTableRowSite(ReceptionTable::Pocsag, 1, r.site);
    keepNewestRows(w, ReceptionTable::Pocsag);
    const bool ok = appendPocLog(context_.programFolder, context_.clock, row);
    context_.noteWrite("POCSAG-Logbuch", ok,
                       ok ? std::string()
                          : "POCSAG-Logbuch nicht geschrieben: " +
                                dayLogPath(context_.programFolder, LogKind::Pocsag, context_.clock.now()));
    launch({"POC", r.ric, std::to_string(r.function), r.text});
    context_.pageChanged = 1;
    exportLine(r.line);
}

void RemoteReception::showToneCall(const ReceptionRecord& r) {
    addAlertLine(context_, AlertList::List1, "Tonruf " + r.tone + " (" + r.site + ")");
}

}  // namespace kub
