#pragma once
// Moving a vehicle by hand: onto a free tile of the same station, or onto another
// station's button (into the first free slot the operator accepts). The questions and
// refusals go through the hooks; the files are written here.

#include <QString>
#include <functional>
#include <string>

#include "storage/vehicle_table.h"

namespace kub::ui {

struct MoveContext {
    VehicleTable& table;
    std::string programFolder;
    // The status time text of "now" (dd.mm. hh:mm).
    std::string nowText;
    std::function<void(const QString& text)> message;
    // A Yes/No question; true for "Ja".
    std::function<bool(const QString& text)> ask;
    std::function<void(const QString& fileName)> notWritten;
};

// Drop of tile `from` on tile `to` of `station`. True when the vehicle moved (the caller
// redraws the board).
bool moveWithinStation(MoveContext& ctx, int station, int from, int to);
// Drop of tile `from` of `fromStation` on the button of `toStation`. True when it moved.
bool moveToStation(MoveContext& ctx, int fromStation, int from, int toStation);

}  // namespace kub::ui
