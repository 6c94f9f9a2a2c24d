#include "core/sdr_core_feed.h"

#include <algorithm>

#include "capture/file_source.h"
#include "core/monitor_channel.h"

namespace kub {

SdrCoreFeed::SdrCoreFeed(MonitorCore& core, const std::vector<SdrChannelEntry>& entries) : core_(core) {
    for (const SdrChannelEntry& c : entries) {
        const std::size_t i = core.addChannel(c.name);
        core.channel(i).decoders().switchOn({c.fms, c.zvei, c.pocsag});
        core.context.channelFrequencies[c.name] = c.frequency;
        indices_.push_back(i);
    }
    const auto pagers = std::count_if(entries.begin(), entries.end(), [](const SdrChannelEntry& c) { return c.pocsag; });
    core.context.samePages.setShared(pagers > 1);
}

void SdrCoreFeed::takeChannelAudio(std::size_t channel, std::span<const std::int16_t> audio) {
    core_.feedChannel(indices_[channel], audio);
}

void SdrCoreFeed::finish() {
    const std::vector<std::int16_t> silence(static_cast<std::size_t>(kFlushBlocks) * kBlockFrames, 0);
    for (std::size_t i : indices_) core_.feedChannel(i, silence);
}

}  // namespace kub
