#pragma once
// What the live web board shows, kept apart from the server that sends it: the newest
// rows of the three reception tables (built from the records as they come) and the
// messages a browser is sent, as JSON texts. Plain data, filled on the decoding thread;
// the server reads it from the event loop. Nothing here grows with the receptions.

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "core/reception_record.h"
#include "core/reception_window.h"
#include "storage/settings.h"
#include "storage/station_names.h"
#include "storage/vehicle_table.h"

namespace kub {

// Rows a browser is shown per table, newest first.
constexpr int kWebTableRows = 50;
// The incidents a browser is shown, newest first: at most kWebTableRows, and no more than
// this many bytes of JSON (an alarm of a whole district lists hundreds of units).
constexpr std::size_t kWebIncidentBytes = 128 * 1024;

// One table row as its cells, in the column order of the window's table.
using WebRow = std::vector<std::string>;

class WebViewState {
public:
    // Receptions waiting to be pushed; beyond this many between two pushes the viewers
    // get the tables whole instead.
    static constexpr std::size_t kPendingLimit = 64;

    // The rows a table already holds (the day logs reloaded at start), newest first, as the
    // window's TAB-separated row texts, with the colour of each row's name cell where known
    // (0x00BBGGRR; kNoRowColour or a missing entry: none).
    static constexpr std::uint32_t kNoRowColour = 0xFFFFFFFF;
    void seedTable(ReceptionTable table, const std::vector<std::string>& rowTexts,
                   const std::vector<std::uint32_t>& colours = {});
    // Takes one reception: its row goes on top of its table, and it waits for the next push.
    // Cheap: a few strings copied.
    void add(const ReceptionRecord& record);

    // Messages for every viewer since the last call: one "reception" message per waiting
    // record, or one "tables" message when too many came at once. Empties the queue.
    std::vector<std::string> takePending();
    // A vehicle status was stored since the last call (the board is to be sent again).
    bool takeBoardChanged();

    const std::deque<WebRow>& rows(ReceptionTable table) const { return tables_[index(table)]; }
    std::size_t incidentCount() const { return incidents_.size(); }

    // The message a new viewer gets first: station names, status colours, board size and
    // the tables.
    std::string helloMessage(const StationNames& names, const Settings& settings,
                             const VehicleTable& vehicles) const;
    std::string tablesMessage() const;

private:
    static std::size_t index(ReceptionTable t) { return static_cast<std::size_t>(t); }
    void push(ReceptionTable table, WebRow row, std::string colour);
    void keepIncident(const ReceptionRecord& incident);

    std::array<std::deque<WebRow>, 3> tables_;
    // "#RRGGBB" of each row's name cell, parallel to tables_.
    std::array<std::deque<std::string>, 3> nameColours_;
    // Each as the page gets it, {"row": [...], "record": {...}} as JSON text, under the
    // key that tells incidents apart (a later report of one takes its place).
    struct Incident {
        std::string key;
        std::string json;
    };
    std::deque<Incident> incidents_;
    std::size_t incidentBytes_ = 0;
    std::vector<ReceptionRecord> pending_;
    bool overflow_ = false;
    bool boardChanged_ = false;
};

// One station's page of the board as a "board" message: every tile in slot order with its
// kind ("fahrzeug", "ueberschrift", "leer"), and for vehicles call name, status, TKI, time
// of the last status and the tile's colours.
std::string boardMessage(int station, const VehicleTable& vehicles, const Settings& settings,
                         const StationNames& names);

// The three alert lists ("Status 0", "Status5", " SprechTaste") as an "alerts" message,
// read from the window's lists: the text before each entry's TAB, and under "names" the
// call name of each entry's vehicle ("" when it is not in the table).
std::string alertsMessage(const ReceptionWindow& window, const VehicleTable& vehicles);

// The row cells a record makes in its table (incidents: the "Einsätze" table); empty for
// tone calls (they have no table).
WebRow webRow(const ReceptionRecord& record);

}  // namespace kub
