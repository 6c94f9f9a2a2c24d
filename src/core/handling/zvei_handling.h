#pragma once
// What a five-tone code does in the monitor: the repeat rule (the same code within 20
// seconds is shown once), the receiver's name and colour, the row in the ZVEI list and
// the day log, the status page flag and the exports.

#include <string>

#include "core/reception_context.h"
#include "decoders/decoder_events.h"

namespace kub {

// What the handling remembers per channel: the last code it accepted, and when.
struct ZveiRepeatMemory {
    std::string lastCode;
    double lastTime = 0;  // whole clock seconds
};

// Hands on one code heard on `channel`, unless it is a repeat.
void handleZveiCode(ReceptionContext& context, ZveiRepeatMemory& memory, const ZveiCodeEvent& code,
                    const std::string& channel);

}  // namespace kub
