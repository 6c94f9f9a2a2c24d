#include "core/export_line_output.h"

#include "core/reception_context.h"

namespace kub {

void ExportLineOutput::deliver(const ReceptionRecord& r) {
    if (r.line.empty() || !context_.exportLines) return;
    ExportLines& out = *context_.exportLines;
    out.receptionLine(r.line);
    if (!r.site.empty() && !context_.remoteActionsOn) return;
    if (context_.tcpExportOn) out.send_message(r.line);
    if (context_.windowMessageExportOn) out.Send_to_Anwendung(r.line);
}

}  // namespace kub
