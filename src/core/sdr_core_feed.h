#pragma once
// An SDR stick's channels on the core: each "--kanal" becomes a channel of its own with
// its name, its frequency on every record and its decoders, and the channelizer's audio
// goes to it. With more than one channel decoding POCSAG, a page heard on several of them
// goes on once (SamePageMerge).

#include <cstddef>
#include <span>
#include <vector>

#include "core/monitor_core.h"
#include "sdr/sdr_audio_sink.h"
#include "sdr/sdr_channel_entry.h"

namespace kub {

class SdrCoreFeed final : public SdrAudioSink {
public:
    // Adds the channels of `entries` to `core`, in their order.
    SdrCoreFeed(MonitorCore& core, const std::vector<SdrChannelEntry>& entries);
    void takeChannelAudio(std::size_t channel, std::span<const std::int16_t> audio) override;
    // Silence after the end of the input on every channel, so a transmission the input cut
    // off is still finished.
    void finish();

private:
    MonitorCore& core_;
    std::vector<std::size_t> indices_;
};

}  // namespace kub
