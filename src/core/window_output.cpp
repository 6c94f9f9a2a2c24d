#include "core/window_output.h"

#include "core/channel_cell.h"
#include "core/incident_summary.h"
#include "core/reception_context.h"
#include "core/handling/fms_handling.h"

namespace kub {

namespace {
constexpr int kZveiNameColumn = 1;
constexpr int kPocsagNameColumn = 2;

// The row as the table shows it: an encrypted page's text replaced, so no garbage stands
// beside the RIC (the day log keeps the text as received); an SDR channel's cell after it,
// as in the day log, so a row reloaded from the day log and a row just heard look alike.
std::string shownRow(const ReceptionRecord& r) {
    std::string row = r.row;
    if (r.protocol == RecordProtocol::Pocsag && r.verschluesselt) {
        const std::size_t lastTab = row.rfind('\t');
        if (lastTab != std::string::npos) row = row.substr(0, lastTab + 1) + kEncryptedText;
    }
    if (const std::string cell = channelCell(r.channel, r.frequency); !cell.empty()) row += '\t' + cell;
    return row;
}

ReceptionTable table(RecordProtocol p) {
    if (p == RecordProtocol::Zvei) return ReceptionTable::Zvei;
    if (p == RecordProtocol::Pocsag) return ReceptionTable::Pocsag;
    return ReceptionTable::Fms;
}
}  // namespace

void WindowOutput::deliver(const ReceptionRecord& r) {
    ReceptionWindow& w = context_.window;
    switch (r.protocol) {
        case RecordProtocol::Fms:
            if (r.status == 0) addAlertLine(context_, AlertList::List3, r.kennung);
            if (r.status == 5) addAlertLine(context_, AlertList::List2, r.kennung);
            if (r.status == 15) addAlertLine(context_, AlertList::List1, r.kennung);
            w.insertTableRow(ReceptionTable::Fms, shownRow(r));
            break;
        case RecordProtocol::Zvei:
            w.insertTableRow(ReceptionTable::Zvei, shownRow(r));
            w.setTableCellColour(ReceptionTable::Zvei, 1, kZveiNameColumn, r.colour);
            keepNewestRows(w, ReceptionTable::Zvei);
            break;
        case RecordProtocol::Pocsag:
            w.insertTableRow(ReceptionTable::Pocsag, shownRow(r));
            w.setTableCellColour(ReceptionTable::Pocsag, 1, kPocsagNameColumn, r.colour);
            keepNewestRows(w, ReceptionTable::Pocsag);
            break;
        case RecordProtocol::Einsatz:
            w.showIncident(incidentSummary(r));
            return;
        case RecordProtocol::Tonruf:
            addAlertLine(context_, AlertList::List1,
                         "Tonruf " + r.tone + (r.site.empty() ? std::string() : " (" + r.site + ")"));
            return;
    }
    // Another site's reception says where it was heard.
    if (!r.site.empty()) w.setTableRowSite(table(r.protocol), 1, r.site);
}

}  // namespace kub
