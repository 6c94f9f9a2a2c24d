#include "core/action_output.h"

#include "core/reception_context.h"

namespace kub {

void ActionOutput::deliver(const ReceptionRecord& r) {
    if (context_.actionProgram.empty() || !context_.launcher) return;
    if (!r.site.empty() && !context_.remoteActionsOn) return;
    switch (r.protocol) {
        case RecordProtocol::Fms:
            if (r.slot >= 0 && r.status < 10 && r.direction == 0)
                context_.launcher->launch(context_.actionProgram, {"FMS", r.kennung});
            break;
        case RecordProtocol::Zvei:
            context_.launcher->launch(context_.actionProgram, {"ZVEI", r.code});
            break;
        case RecordProtocol::Pocsag:
            context_.launcher->launch(context_.actionProgram, {"POC", r.ric, std::to_string(r.function), r.text});
            break;
        case RecordProtocol::Einsatz:
            // Its pages have started the program already; the incident too only when so set.
            if (context_.incidents.settings().actionProgram)
                context_.launcher->launch(context_.actionProgram,
                                          {"EINSATZ", incidentKeyword(r), incidentUnitIds(r), r.text});
            break;
        case RecordProtocol::Tonruf:
            break;
    }
}

}  // namespace kub
