#pragma once
// What the reception handling needs of the main window. The window implements it for
// real; the headless tool and the tests implement it without a display. Keep it small:
// table rows, alert lists, board redraws and meters. What goes elsewhere (logs, exports,
// programs) is an output of the reception records.

#include <cstdint>
#include <string>
#include <vector>

namespace kub {

struct IncidentSummary;

// The three reception tables: Grid (FMS), Grid_Z (ZVEI), Grid_P (POCSAG).
enum class ReceptionTable { Fms, Zvei, Pocsag };

// The three alert lists List1, List2, List3.
enum class AlertList { List1 = 1, List2 = 2, List3 = 3 };

// The ZVEI and POCSAG tables keep this many receptions, the newest; older ones leave at
// the bottom (the day logs keep them all). A monitor runs for months: a table that only
// grows would in the end take all memory.
constexpr int kKeptReceptionRows = 2000;

class ReceptionWindow {
public:
    virtual ~ReceptionWindow() = default;

    // Tables. Row 0 is the header row; rowCount includes it.
    virtual int tableRowCount(ReceptionTable table) const = 0;
    // Cuts the table to `rows` rows (1 keeps only the header).
    virtual void setTableRowCount(ReceptionTable table, int rows) = 0;
    // Inserts a TAB-separated reception row as row 1, so the newest is on top.
    virtual void insertTableRow(ReceptionTable table, const std::string& row) = 0;
    // Colours one cell (colour value 0x00BBGGRR).
    virtual void setTableCellColour(ReceptionTable table, int row, int column,
                                    std::uint32_t colour) = 0;
    // The receiver site a row came from, when it was not heard here.
    virtual void setTableRowSite(ReceptionTable /*table*/, int /*row*/, const std::string& /*site*/) {}
    // The same transmission was heard at more places than the row shows: the newest row
    // with this text names all of them (", "-separated).
    virtual void setTableRowSites(ReceptionTable /*table*/, const std::string& /*rowText*/,
                                  const std::string& /*sites*/) {}

    // Alert lists.
    virtual int alertLineCount(AlertList list) const = 0;
    virtual void clearAlertList(AlertList list) = 0;
    virtual void appendAlertLine(AlertList list, const std::string& line) = 0;
    virtual void selectAlertLine(AlertList list, int index) = 0;
    virtual void setAlertListColour(AlertList list, std::uint32_t colour) = 0;

    // A new incident: on top of the incident table, and in the banner until acknowledged.
    virtual void showIncident(const IncidentSummary& /*incident*/) {}

    // Board: redraw the current page after a status change.
    virtual void update_label() = 0;

    // Level meters, left mean/peak then right mean/peak, already clipped to 32760.
    virtual void setMeters(int meanLeft, int peakLeft, int meanRight, int peakRight) = 0;

    // Alert-list entries for the housekeeping pass: the text of entry `index` (empty when
    // there is none) and its removal.
    virtual std::string alertLine(AlertList list, int index) const = 0;
    virtual void removeAlertLine(AlertList list, int index) = 0;

    // The web upload's progress list List5 on the "HTML-Export" tab; `text` already
    // carries its time prefix.
    virtual void addUploadMessage(const std::string& /*text*/) {}
    // A message box with a fixed German text; the window shows it, others may record it.
    virtual void messageBox(const std::string& /*text*/, const std::string& /*title*/) {}
    // The dial-up dialog: shows the phone book (never empty) with the first entry
    // selected and returns the entry to dial, or -1 when closed without dialling.
    virtual int chooseDialUpEntry(const std::vector<std::string>& /*phoneBook*/) { return -1; }
};

// After an insert: cuts the table back to the kept receptions and its header.
inline void keepNewestRows(ReceptionWindow& window, ReceptionTable table) {
    if (window.tableRowCount(table) > kKeptReceptionRows + 1) window.setTableRowCount(table, kKeptReceptionRows + 1);
}

}  // namespace kub
