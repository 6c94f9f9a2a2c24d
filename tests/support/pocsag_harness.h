#pragma once
// One POCSAG decoder with a recording window and a stream clock, fed with mono audio
// block by block as the capture would deliver it; each block's pages handled on the left
// channel.

#include <vector>

#include "core/headless_window.h"
#include "core/reception_context.h"
#include "core/handling/pocsag_handling.h"
#include "decoders/pocsag/pocsag_decoder.h"

namespace kubtest {

struct PocsagHarness {
    kub::HeadlessWindow window;
    kub::StreamClock clock{1796630400.0};  // 7 December 2026, 00:00 UTC
    kub::ReceptionContext context{clock, window};
    kub::BusyFlags flags;
    kub::PocsagDecoder decoder{context.options, flags};
    kub::PocsagRepeatMemory memory;

    int blocks = 0;
    int busyBlocks = 0;     // blocks after which pocsagBusyFlag was set
    int huntingBlocks = 0;  // blocks after which the decoder was hunting

    // Samples in full-scale units (±1.0); the last block is filled up with silence.
    void feed(const std::vector<float>& mono);
    void silence(double seconds);
};

}  // namespace kubtest
