#pragma once
// A reception record as one JSON object on one line (UTF-8, no line break inside), with
// the field names scripts rely on: time, channel, protocol, line, kennung, status, tki,
// direction, text, vehicle, info, code, name, ric, function, tone, and what the window
// shows beside them: "known" (the vehicle or receiver is in its table) and, for ZVEI and
// POCSAG, the name cell's "colour" as "#RRGGBB". Fields the protocol does not have are
// left out. Incidents have id, einheiten, felder, channels, sites, probealarm,
// verschluesselt.
// "sites" lists where it was heard when another receiver site is involved.

#include <string>

#include "core/reception_record.h"

namespace kub {

std::string recordJson(const ReceptionRecord& record);

}  // namespace kub
