#include "core/handling/fms_handling.h"

#include <algorithm>
#include <cctype>
#include <variant>

#include "common/printable_text.h"
#include "common/time_text.h"
#include "decoders/fms/fms_code_tables.h"
#include "decoders/fms/fms_telegram.h"
#include "export/export_line.h"

namespace kub {

namespace {

constexpr int kGridRowLimit = 500;
constexpr int kAlertLineLimit = 100;
constexpr std::uint32_t kGreen = 65280;

bool sameKennung(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

int findSlot(const VehicleTable& table, const std::string& kennung, int lastSlot) {
    const int end = std::min(lastSlot, static_cast<int>(table.vehicleTable.size()) - 1);
    for (int i = 0; i <= end; ++i)
        if (sameKennung(table.vehicleTable[static_cast<std::size_t>(i)].kennung, kennung)) return i;
    return -1;
}

std::string trimmed(const std::string& s) {
    const std::size_t a = s.find_first_not_of(' ');
    if (a == std::string::npos) return {};
    const std::size_t b = s.find_last_not_of(' ');
    return s.substr(a, b - a + 1);
}

}  // namespace

void addAlertLine(ReceptionContext& context, AlertList list, const std::string& subject) {
    if (subject == "00000000") return;
    ReceptionWindow& w = context.window;
    if (w.alertLineCount(list) > kAlertLineLimit) w.clearAlertList(list);
    const LocalTime now = context.clock.now();
    w.appendAlertLine(list, timeText(now) + " " + trimmed(subject) + "        \t" + dateTimeText(now));
    w.selectAlertLine(list, w.alertLineCount(list) - 1);
    w.setAlertListColour(list, kGreen);
}


bool statusOfTheVehicle(int status) {
    switch (status) {
        case 0: case 5: case 10: case 11: case 12: case 13: case 14: case 15: return false;
        default: return true;
    }
}

int fmsVehicleSlot(const VehicleTable& table, const std::string& kennung, int status) {
    if (status == 11) return -1;
    // A vehicle's own statuses are looked up among the named slots only.
    return findSlot(table, kennung, statusOfTheVehicle(status) ? table.lastNamedSlot : table.vehicleCount - 1);
}

void storeVehicleStatus(ReceptionContext& context, int slot, int status, int tki, const std::string& time) {
    VehicleTable& table = context.vehicles;
    VehicleRecord& rec = table.vehicleTable[static_cast<std::size_t>(slot)];
    rec.status = static_cast<std::int16_t>(status);
    rec.tki = static_cast<std::int16_t>(tki);
    rec.statusTime = time;
    context.window.update_label();
    if (context.programFolder.empty()) return;
    const bool ok = writeStatusFile(context.programFolder, table, slot, time);
    context.noteWrite("Statusdatei", ok,
                      ok ? std::string() : "Statusdatei nicht geschrieben: " + statusFilePath(context.programFolder, slot));
}

std::string fmsReceptionRow(const ReceptionContext& context, const FmsTelegramEvent& t, int slot) {
    std::string row;
    if (slot >= 0) {
        const VehicleRecord& rec = context.vehicles.vehicleTable[static_cast<std::size_t>(slot)];
        row = rec.rufname + "\t" + rec.eigenschaft;
    } else {
        row = "?\t" + organisationName(t.kennung.substr(0, 1)) + " " + stateName(t.kennung.substr(1, 1));
    }
    row += "\t" + t.kennung + "\t" + statusText(t.status, t.direction) + "\t" + std::to_string(t.tki) + "\t" +
           directionText(t.direction) + "\t" + dateTimeText(context.clock.now()) + "\t" + printableText(t.text);
    return row;
}

void handleFmsReception(ReceptionContext& context, const FmsTelegramEvent& t, const std::string& channel) {
    ReceptionWindow& w = context.window;
    if (w.tableRowCount(ReceptionTable::Fms) > kGridRowLimit) w.setTableRowCount(ReceptionTable::Fms, 1);
    if (!fmsReceptionPlausible(t.kennung, t.undecidablePosition)) return;

    ReceptionRecord record = context.newRecord(RecordProtocol::Fms, channel);
    record.line = fmsExportLine(t.kennung, t.status, t.tki, t.direction);
    record.kennung = t.kennung;
    record.status = t.status;
    record.tki = t.tki;
    record.direction = t.direction;
    record.text = printableText(t.text);
    // Another site's report of the same telegram is already shown and stored.
    if (context.reportedBySite(record)) return;

    VehicleTable& table = context.vehicles;
    const int slot = fmsVehicleSlot(table, t.kennung, t.status);
    // The alert lists of statuses 0, 5 and 15 are the window output's.
    const bool statusStored = slot >= 0 && t.direction == 0 && statusOfTheVehicle(t.status);
    if (statusStored) storeVehicleStatus(context, slot, t.status, t.tki, statusTimeText(context.clock.now()));

    record.row = fmsReceptionRow(context, t, slot);
    record.slot = slot;
    if (slot >= 0) {
        const VehicleRecord& rec = table.vehicleTable[static_cast<std::size_t>(slot)];
        record.vehicle = rec.rufname;
        record.info = rec.eigenschaft;
        // Read by the status page pass, which never runs inside a reception's handling.
        context.markPageChanged();
    }
    record.statusStored = statusStored;
    // Row, alert lines, log, action program, export lines, and whatever else listens.
    context.handOn(record);
}

void handleToneCall(ReceptionContext& context, const ToneCallEvent& call, const std::string& channel) {
    ReceptionRecord record = context.newRecord(RecordProtocol::Tonruf, channel);
    record.tone = call.tone == ToneCall::I ? "I" : "II";
    if (context.reportedBySite(record)) return;
    context.handOn(record);
}

void handleFmsEvent(ReceptionContext& context, const FmsEvent& event, const std::string& channel) {
    if (const auto* telegram = std::get_if<FmsTelegramEvent>(&event)) {
        handleFmsReception(context, *telegram, channel);
    } else {
        handleToneCall(context, std::get<ToneCallEvent>(event), channel);
    }
}

}  // namespace kub
