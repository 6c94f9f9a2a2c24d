#pragma once
// kubmon run --sdr: a live SDR source (stdin, a recording, a child such as `rtl_sdr`, a
// SoapySDR device) cut into its channels, each decoded on a channel of the core that
// carries its name and frequency. The source is read on a thread of its own; the
// decoding runs on the event loop like every other input of the monitor.

#include <functional>
#include <memory>
#include <string>

#include "common/clock.h"
#include "core/monitor_core.h"
#include "sdr/sdr_options.h"

namespace kubmon {

class SdrRunInput {
public:
    // The source open and read; nullptr and the German reason in `error` when it cannot be
    // had. `say` gets German lines (restarts, the tuner's error), `finished` is called on
    // the event loop once a source that ends (stdin, a recording) is decoded to its end.
    static std::unique_ptr<SdrRunInput> start(const kub::SdrOptions& sdr, kub::MonitorCore& core,
                                              kub::StreamClock& clock, const kub::Clock& wall,
                                              std::function<void(const std::string&)> say,
                                              std::function<void()> finished, std::string& error);
    virtual ~SdrRunInput() = default;
    virtual void stop() = 0;
};

}  // namespace kubmon
