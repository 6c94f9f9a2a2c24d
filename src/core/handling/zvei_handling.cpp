#include "core/handling/zvei_handling.h"

#include <cmath>

#include "common/time_text.h"
#include "export/export_line.h"

namespace kub {

namespace {
constexpr double kRepeatWindowSeconds = 20.0;
}  // namespace

void handleZveiCode(ReceptionContext& context, ZveiRepeatMemory& memory, const ZveiCodeEvent& event,
                    const std::string& channel) {
    const std::string& code = event.code;
    // The clock counts whole seconds. A clock set back is no reason to hold a code back.
    const double now = std::floor(context.clock.nowSeconds());
    const double elapsed = now - memory.lastTime;
    if (sameCode(code, memory.lastCode) && elapsed >= 0 && elapsed < kRepeatWindowSeconds) return;

    ReceptionRecord record = context.newRecord(RecordProtocol::Zvei, channel);
    record.code = code;
    memory.lastCode = code;
    memory.lastTime = now;
    // Another site reported the code within its repeat window: it is shown already.
    if (context.reportedBySite(record)) return;
    const ReceiverDisplay shown = context.receivers.display(code);
    record.row = code + "\t" + shown.name + "\t" + dateTimeText(toLocalTime(now));
    record.colour = shown.colour;
    record.line = zveiExportLine(code, shown.name);
    record.name = shown.name;
    record.receiverListed = shown.listed;
    // Read by the status page pass, which never runs inside a reception's handling.
    context.markPageChanged();
    // Row, log, action program, export lines, and whatever else listens.
    context.handOn(record);
}

}  // namespace kub
