// Arbitrary audio on both channels through the block dispatch into all six decoders.
// The first byte says which decoders are on: with all three of a channel on they keep
// out of each other's way through the busy flags, with one alone they do not. The second
// byte switches the decoding improvements. The rest is 8-bit audio, left and right
// interleaved, handled block by block as the capture device delivers it.

#include <cstdint>

#include "common/clock.h"
#include "core/headless_window.h"
#include "core/monitor_channel.h"
#include "core/monitor_core.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kubfuzz::SampleReader in(data, size);
    const std::uint8_t switches = in.byte();
    const std::uint8_t options = in.byte();

    kub::ManualClock clock(1767225600.0);  // 2026-01-01
    kub::HeadlessWindow window;
    window.setRecording(false);
    window.setRowLimit(20);
    kub::MonitorCore core(clock, window);
    auto on = [&](int bit) { return ((switches >> bit) & 1) != 0; };
    core.left().decoders().switchOn({on(0), on(1), on(2)});
    core.right().decoders().switchOn({on(3), on(4), on(5)});
    core.context.options.inputFilter = options & 1;
    core.context.options.pocsagErrorCorrection = (options >> 1) & 1;
    core.context.options.fmsCheckBits = (options >> 2) & 1;
    core.context.options.pocsagBatchAwareEnd = (options >> 3) & 1;
    core.context.vehicles.vehicleTable[0].kennung = "62341234";
    core.context.vehicles.vehicleCount = 1;
    core.context.receivers.receiverList.push_back({"25431", "Wehr Musterstadt", 255});

    // Whole blocks only; a silent tail lets a transmission in progress run out.
    while (!in.empty()) {
        auto& block = core.dispatcher.captureBuffers[static_cast<std::size_t>(core.dispatcher.currentBuffer())];
        for (auto& s : block) s = static_cast<std::int16_t>((static_cast<int>(in.byte()) - 128) * 256);
        core.dispatcher.processCaptureBuffer();
        clock.advance(1024.0 / 22050.0);
    }
    for (int i = 0; i < 4; ++i) {
        core.dispatcher.captureBuffers[static_cast<std::size_t>(core.dispatcher.currentBuffer())].fill(0);
        core.dispatcher.processCaptureBuffer();
        clock.advance(1024.0 / 22050.0);
    }
    return 0;
}
