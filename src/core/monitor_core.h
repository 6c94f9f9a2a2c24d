#pragma once
// Everything the monitor decodes with, without a window: the six decoders (FMS, ZVEI,
// POCSAG on each channel), their channels and the block dispatch. The main window and
// the headless tool each own one and feed it capture blocks.

#include "capture/block_dispatcher.h"
#include "core/reception_context.h"
#include "decoders/fms/fms_decoder.h"
#include "decoders/pocsag/pocsag_decoder.h"
#include "decoders/zvei/zvei_decoder.h"
#include "storage/settings.h"

namespace kub {

class MonitorCore {
public:
    MonitorCore(Clock& clock, ReceptionWindow& window);
    // The headless window also records the export lines.
    MonitorCore(Clock& clock, HeadlessWindow& window);
    MonitorCore(const MonitorCore&) = delete;
    MonitorCore& operator=(const MonitorCore&) = delete;

    ReceptionContext context;
    Channel left;
    Channel right;
    FmsDecoder fmsLeft;       // Module4
    ZveiDecoder zveiLeft;     // Module5
    PocsagDecoder pocsagLeft; // Module12
    FmsDecoder fmsRight;      // Module13
    ZveiDecoder zveiRight;    // Module14
    PocsagDecoder pocsagRight;// Module15
    BlockDispatcher dispatcher;

    // Switches all six decoders on or off at once.
    void enableAll(bool on);
    // The six decoder switches of "Mon.ini" (only the value 1 means on) and the
    // decoding improvements.
    void applyDecoderSwitches(const Settings& settings);
};

}  // namespace kub
