#pragma once
// What an FMS reception does in the system: plausibility, vehicle lookup and status
// update, the row in the FMS list and the day log, the alert lists, the action program,
// the status page flag and the exports.

#include <string>

#include "core/reception_context.h"
#include "decoders/decoder_events.h"
#include "storage/vehicle_table.h"

namespace kub {

// Handles one telegram (or text transmission) heard on `channel`.
void handleFmsReception(ReceptionContext& context, const FmsTelegramEvent& telegram, const std::string& channel);

// A tone call heard on `channel`: its record ("I" or "II"); the alert line is the window
// output's.
void handleToneCall(ReceptionContext& context, const ToneCallEvent& call, const std::string& channel);

// Either of the two above.
void handleFmsEvent(ReceptionContext& context, const FmsEvent& event, const std::string& channel);

// Appends "time subject<8 blanks><TAB>date time" to an alert list and turns it green.
void addAlertLine(ReceptionContext& context, AlertList list, const std::string& subject);

// A status a vehicle reports about itself (it goes onto the board), as opposed to calls,
// emergencies and the control room's orders.
bool statusOfTheVehicle(int status);

// The board slot an FMS reception of `status` refers to, -1 for none: all slots for
// calls and orders, only the named ones for a vehicle's own statuses, none for status 11.
int fmsVehicleSlot(const VehicleTable& table, const std::string& kennung, int status);

// A vehicle's new status: the table, the board and its status file.
void storeVehicleStatus(ReceptionContext& context, int slot, int status, int tki, const std::string& time);

// The reception row of a known slot (slot >= 0) or of an unknown vehicle (slot < 0).
std::string fmsReceptionRow(const ReceptionContext& context, const FmsTelegramEvent& telegram, int slot);

}  // namespace kub
