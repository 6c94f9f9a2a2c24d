#include "core/monitor_channel.h"

namespace kub {

int MonitorChannel::feed(ReceptionContext& context, std::span<const std::int16_t> samples) {
    int blocks = 0;
    for (const std::int16_t s : samples) {
        pending_[static_cast<std::size_t>(pendingCount_++)] = s;
        if (pendingCount_ < kBlockFrames) continue;
        pendingCount_ = 0;
        processBlock(context, pending_);
        ++blocks;
    }
    return blocks;
}

}  // namespace kub
