#include "core/day_log_output.h"

#include "core/channel_cell.h"
#include "core/reception_context.h"
#include "storage/day_log.h"

namespace kub {

void DayLogOutput::deliver(const ReceptionRecord& r) {
    LogKind kind = LogKind::Fms;
    std::string family;
    switch (r.protocol) {
        case RecordProtocol::Fms: kind = LogKind::Fms; family = "FMS-Logbuch"; break;
        case RecordProtocol::Zvei: kind = LogKind::Zvei; family = "ZVEI-Logbuch"; break;
        case RecordProtocol::Pocsag: kind = LogKind::Pocsag; family = "POCSAG-Logbuch"; break;
        case RecordProtocol::Einsatz: kind = LogKind::Einsatz; family = "Einsatz-Logbuch"; break;
        case RecordProtocol::Tonruf: return;
    }
    // An SDR channel's line names its channel at the end; the sound card's stay as they were.
    const std::string cell = channelCell(r.channel, r.frequency);
    const bool ok = appendDayLog(context_.programFolder, kind, context_.clock, cell.empty() ? r.row : r.row + '\t' + cell);
    context_.noteWrite(family, ok,
                       ok ? std::string()
                          : family + " nicht geschrieben: " +
                                dayLogPath(context_.programFolder, kind, context_.clock.now()));
}

}  // namespace kub
