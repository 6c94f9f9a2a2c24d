#include "core/day_log_output.h"

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
    const bool ok = appendDayLog(context_.programFolder, kind, context_.clock, r.row);
    context_.noteWrite(family, ok,
                       ok ? std::string()
                          : family + " nicht geschrieben: " +
                                dayLogPath(context_.programFolder, kind, context_.clock.now()));
}

}  // namespace kub
