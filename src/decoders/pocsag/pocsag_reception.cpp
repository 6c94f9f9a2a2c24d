#include "decoders/pocsag/pocsag_reception.h"

#include <cmath>

#include "common/time_text.h"
#include "export/export_line.h"

namespace kub {

namespace {

constexpr double kRepeatSeconds = 20;

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
    ReceptionRecord record = ctx.newRecord(RecordProtocol::Pocsag, channel);
    record.row = pocsagRow(w.receptionRic, w.receptionFunction, display.name, dateTimeText(ctx.clock.now()),
                           w.receptionText);
    record.colour = display.colour;
    record.line = pocsagExportLine(w.receptionRic, w.receptionFunction, w.receptionText);
    record.ric = w.receptionRic;
    record.function = w.receptionFunction;
    record.text = w.receptionText;
    record.name = display.name;
    // Row, log, action program, export lines, and whatever else listens.
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
