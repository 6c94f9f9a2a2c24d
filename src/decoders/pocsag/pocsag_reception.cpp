#include "decoders/pocsag/pocsag_reception.h"

#include <cmath>

#include "common/cipher_text.h"
#include "common/time_text.h"
#include "export/export_line.h"
#include "decoders/pocsag/pocsag_words.h"

namespace kub {

namespace {

constexpr double kRepeatSeconds = 20;

// Whole seconds since `then`, as the row texts show them.
double secondsSince(double then, double now) { return std::floor(now) - std::floor(then); }

// The same RIC reported on this channel within 20 whole seconds. A clock set back is no
// reason to drop receptions, so a reception "before" the last one is never a repeat.
bool isRepeat(const std::string& ric, double now, const PocsagLastReception& last) {
    for (const auto& [known, when] : last.reported) {
        if (!sameCode(ric, known)) continue;
        const double passed = secondsSince(when, now);
        return passed >= 0 && passed < kRepeatSeconds;
    }
    return false;
}

// Remembers the report; forgets what can no longer be a repeat, and never more than the
// limit (the oldest first), so a network with many pagers does not grow the list.
void remember(const std::string& ric, double now, PocsagLastReception& last) {
    auto& list = last.reported;
    std::erase_if(list, [&](const auto& entry) {
        const double passed = secondsSince(entry.second, now);
        return sameCode(entry.first, ric) || passed < 0 || passed >= kRepeatSeconds;
    });
    if (list.size() >= kPocsagRememberedRics) list.erase(list.begin());
    list.emplace_back(ric, now);
}

void passOn(const PocsagPage& page, ReceptionContext& ctx, const char* channel) {
    const ReceiverDisplay display = ctx.receivers.display(page.ric);
    ReceptionRecord record = ctx.newRecord(RecordProtocol::Pocsag, channel);
    record.row = pocsagRow(page.ric, page.function, display.name, dateTimeText(ctx.clock.now()), page.text);
    record.colour = display.colour;
    record.line = pocsagExportLine(page.ric, page.function, page.text);
    record.ric = page.ric;
    record.function = page.function;
    record.text = page.text;
    record.name = display.name;
    // Still an alarm for its RIC; the text is kept as received.
    record.verschluesselt = looksEncrypted(page.text);
    // Row, log, action program, export lines, and whatever else listens.
    ctx.handOn(record);
}

}  // namespace

std::string pocsagRow(const std::string& ric, int function, const std::string& name,
                      const std::string& timeText, const std::string& text) {
    return ric + '\t' + std::to_string(function) + '\t' + name + '\t' + timeText + '\t' + text;
}

void reportPocsagPages(PocsagWordState& w, PocsagLastReception& last, ReceptionContext& ctx,
                       const char* channel) {
    // Only pages with an address of their own exist: message codewords without an address
    // before them are never attributed to an earlier pager.
    for (const PocsagPage& page : w.finishedPages) {
        const double now = ctx.clock.nowSeconds();
        if (isRepeat(page.ric, now, last)) continue;
        passOn(page, ctx, channel);
        remember(page.ric, now, last);
        ctx.pageChanged = 1;
    }
    w.finishedPages.clear();
}

void reportPocsagTransmission(PocsagBitState& b, PocsagWordState& w, PocsagLastReception& last,
                              ReceptionContext& ctx, const char* channel) {
    // The carrier has gone: the page still open is reported without its unfinished text.
    finishPage(w, false);
    reportPocsagPages(w, last, ctx, channel);
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
