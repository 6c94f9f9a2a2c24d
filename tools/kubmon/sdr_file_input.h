#pragma once
// kubmon decode --sdr: an IQ recording (or IQ on stdin) cut into its channels, each
// decoded on a channel of the monitor's core that carries the channel's name and
// frequency, as fast as it can be read.

#include <functional>
#include <string>

#include "capture/file_source.h"
#include "common/clock.h"
#include "core/monitor_core.h"
#include "sdr/sdr_options.h"

namespace kubmon {

// `afterBlock` runs between reads (the exports' event loop); `say` gets the tuner
// notices and anything else worth a line on stderr.
kub::FileDecodeResult decodeSdrInput(const kub::SdrOptions& sdr, kub::MonitorCore& core, kub::StreamClock& clock,
                                     const std::function<void()>& afterBlock,
                                     const std::function<void(const std::string&)>& say);

}  // namespace kubmon
