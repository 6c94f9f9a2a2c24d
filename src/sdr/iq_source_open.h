#pragma once
// The IQ source a "--sdr SOURCE" names: "-" (cu8 on stdin), "cmd:COMMAND" (a child whose
// stdout is cu8, started again when it dies), "soapy:ARGS" (a SoapySDR device) or the
// path of a recording in the format the options found for it.

#include <functional>
#include <memory>
#include <string>

#include "common/clock.h"
#include "sdr/iq_source.h"

namespace kub {

struct IqSourceRequest {
    std::string source;
    // A recording's or stdin's format (a child's is always cu8, a device's cf32).
    IqFormat format = IqFormat::Cu8;
    double rate = 0;    // Hz, for a device
    double centre = 0;  // Hz, for a device
};

// The source, not yet read from; nullptr and a German reason in `error` when it cannot be
// had. `say` is told, on the reader thread, what happens to it later (restarts).
std::unique_ptr<IqSource> openIqSource(const IqSourceRequest& request, const Clock& clock,
                                       std::function<void(const std::string&)> say, std::string& error);

}  // namespace kub
