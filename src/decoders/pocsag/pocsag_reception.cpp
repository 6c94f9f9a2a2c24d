#include "decoders/pocsag/pocsag_reception.h"

#include <cmath>

#include "common/time_text.h"
#include "export/export_line.h"
#include "storage/day_log.h"

namespace kub {

namespace {

constexpr double kRepeatSeconds = 20;
constexpr int kNameColumn = 2;

// The same RIC within 20 whole seconds of the channel's last report. Times are compared
// in whole seconds, as the row texts show them. A clock set back is no reason to drop
// receptions, so a reception "before" the last one is never a repeat.
bool isRepeat(const std::string& ric, double now, const PocsagLastReception& last) {
    if (last.lastPocRic.empty() || !sameCode(ric, last.lastPocRic)) return false;
    const double passed = std::floor(now) - std::floor(last.lastPocTime);
    return passed >= 0 && passed < kRepeatSeconds;
}

void passOn(const PocsagWordState& w, ReceptionContext& ctx, const char* channel) {
    const ReceiverDisplay display = ctx.receivers.display(w.receptionRic);
    const std::string row = pocsagRow(w.receptionRic, w.receptionFunction, display.name,
                                      dateTimeText(ctx.clock.now()), w.receptionText);
    ctx.window.insertTableRow(ReceptionTable::Pocsag, row);
    ctx.window.setTableCellColour(ReceptionTable::Pocsag, 1, kNameColumn, display.colour);
    keepNewestRows(ctx.window, ReceptionTable::Pocsag);
    const bool logged = appendPocLog(ctx.programFolder, ctx.clock, row);
    ctx.noteWrite("POCSAG-Logbuch", logged,
                  logged ? std::string()
                         : "POCSAG-Logbuch nicht geschrieben: " +
                               dayLogPath(ctx.programFolder, LogKind::Pocsag, ctx.clock.now()));
    if (!ctx.actionProgram.empty() && ctx.launcher) {
        ctx.launcher->launch(ctx.actionProgram,
                             {"POC", w.receptionRic, std::to_string(w.receptionFunction), w.receptionText});
    }
    const std::string line = pocsagExportLine(w.receptionRic, w.receptionFunction, w.receptionText);
    if (ctx.tcpExportOn) ctx.window.send_message(line);
    if (ctx.windowMessageExportOn) ctx.window.Send_to_Anwendung(line);
    ctx.window.receptionLine(line);

    ReceptionRecord record = ctx.newRecord(RecordProtocol::Pocsag, channel);
    record.line = line;
    record.ric = w.receptionRic;
    record.function = w.receptionFunction;
    record.text = w.receptionText;
    record.name = display.name;
    ctx.handOn(record);
}

}  // namespace

std::string pocsagRow(const std::string& ric, int function, const std::string& name,
                      const std::string& timeText, const std::string& text) {
    return ric + '\t' + std::to_string(function) + '\t' + name + '\t' + timeText + '\t' + text;
}

void reportPocsagTransmission(PocsagBitState& b, PocsagWordState& w, PocsagLastReception& last,
                              ReceptionContext& ctx, const char* channel) {
    if (w.idleCount > 0 || w.syncCount > 0) {
        // Only a transmission with an address codeword of its own is a reception. Without
        // one, RIC and function would still be those of an earlier transmission, and a
        // batch of idles (or a misread address) would report that old pager again as a
        // new alarm with an empty text once its repeat window had passed.
        if (w.firstAddressTaken) {
            const double now = ctx.clock.nowSeconds();
            if (!isRepeat(w.receptionRic, now, last)) {
                passOn(w, ctx, channel);
                last.lastPocRic = w.receptionRic;
                last.lastPocTime = now;
                ctx.pageChanged = 1;
            }
        }
        w.receptionText.clear();
        w.firstAddressTaken = false;
    }
    w.idleCount = 0;
    w.syncCount = 0;
    b.transmissionEnded = false;
    b.pocsagState = Hunting;
    w.batchIndex = 0;
    w.messageMode = false;
    w.messageWordCount = 0;
    w.addressSeen = false;
}

}  // namespace kub
