#pragma once
// kubmon decode --sdr: an IQ recording (or IQ on stdin) cut into its channels, each
// decoded on a channel of the monitor's core that carries the channel's name and
// frequency, as fast as it can be read.

#include <functional>
#include <string>
#include <vector>

#include "capture/file_source.h"
#include "common/clock.h"
#include "core/monitor_core.h"
#include "sdr/sdr_options.h"

namespace kubmon {

// One core channel per SDR channel, named as it, its decoders as its list says, its
// frequency on every record; the core's indices in the order of `channels`.
std::vector<std::size_t> addSdrChannels(kub::MonitorCore& core, const std::vector<kub::SdrChannelSpec>& channels);

// `afterBlock` runs between reads (the exports' event loop); `say` gets the tuner
// notices and anything else worth a line on stderr.
kub::FileDecodeResult decodeSdrInput(const kub::SdrOptions& sdr, kub::MonitorCore& core, kub::StreamClock& clock,
                                     const std::function<void()>& afterBlock,
                                     const std::function<void(const std::string&)>& say);

}  // namespace kubmon
