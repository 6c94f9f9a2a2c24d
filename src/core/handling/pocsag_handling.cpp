#include "core/handling/pocsag_handling.h"

#include <cmath>

#include "common/cipher_text.h"
#include "common/printable_text.h"
#include "common/time_text.h"
#include "export/export_line.h"

namespace kub {

namespace {

constexpr double kRepeatSeconds = 20;

// Whole seconds since `then`, as the row texts show them.
double secondsSince(double then, double now) { return std::floor(now) - std::floor(then); }

// The same RIC reported on this channel within 20 whole seconds. A clock set back is no
// reason to drop receptions, so a reception "before" the last one is never a repeat.
bool isRepeat(const std::string& ric, double now, const PocsagRepeatMemory& last) {
    for (const auto& [known, when] : last.reported) {
        if (!sameCode(ric, known)) continue;
        const double passed = secondsSince(when, now);
        return passed >= 0 && passed < kRepeatSeconds;
    }
    return false;
}

// Remembers the report; forgets what can no longer be a repeat, and never more than the
// limit (the oldest first), so a network with many pagers does not grow the list.
void remember(const std::string& ric, double now, PocsagRepeatMemory& last) {
    auto& list = last.reported;
    std::erase_if(list, [&](const auto& entry) {
        const double passed = secondsSince(entry.second, now);
        return sameCode(entry.first, ric) || passed < 0 || passed >= kRepeatSeconds;
    });
    if (list.size() >= kPocsagRememberedRics) list.erase(list.begin());
    list.emplace_back(ric, now);
}

void passOn(const PocsagPageEvent& page, ReceptionContext& ctx, const std::string& channel) {
    ReceptionRecord record = ctx.newRecord(RecordProtocol::Pocsag, channel);
    record.ric = page.ric;
    // Another transmitter of the network sent it first, and a site reported it.
    if (ctx.reportedBySite(record)) return;
    const ReceiverDisplay display = ctx.receivers.display(page.ric);
    record.row = pocsagRow(page.ric, page.function, display.name, dateTimeText(ctx.clock.now()), page.text);
    record.colour = display.colour;
    record.line = pocsagExportLine(page.ric, page.function, page.text);
    record.function = page.function;
    record.text = printableText(page.text);
    // Its text has gaps ("…") where codewords could not be read for certain.
    record.complete = page.complete;
    record.name = display.name;
    record.receiverListed = display.listed;
    // Still an alarm for its RIC; the text is kept as received.
    record.verschluesselt = looksEncrypted(page.text);
    // Row, log, action program, export lines, and whatever else listens.
    ctx.samePages.take(std::move(record), ctx.clock.nowSeconds());
}

}  // namespace

std::string pocsagRow(const std::string& ric, int function, const std::string& name,
                      const std::string& timeText, const std::string& text) {
    return ric + '\t' + std::to_string(function) + '\t' + printableText(name) + '\t' + timeText + '\t' +
           printableText(text);
}

void handlePocsagPage(ReceptionContext& ctx, PocsagRepeatMemory& memory, const PocsagPageEvent& page,
                      const std::string& channel) {
    const double now = ctx.clock.nowSeconds();
    if (isRepeat(page.ric, now, memory)) return;
    passOn(page, ctx, channel);
    remember(page.ric, now, memory);
    ctx.markPageChanged();
}

}  // namespace kub
