#pragma once
// A reception record as one JSON object on one line (UTF-8, no line break inside), with
// the field names scripts rely on: time, channel, protocol, line, kennung, status, tki,
// direction, text, vehicle, info, code, name, ric, function, tone, and for incidents id,
// einheiten, felder, channels, sites, probealarm, verschluesselt. Fields the protocol
// does not have are left out.

#include <string>

#include "core/reception_record.h"

namespace kub {

std::string recordJson(const ReceptionRecord& record);

}  // namespace kub
