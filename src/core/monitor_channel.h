#pragma once
// One channel of the monitor: its name as the records carry it ("left", "right", or a
// receiver's name), its decoders and what the reception handling remembers of it.

#include <cstdint>
#include <span>
#include <string>
#include <utility>

#include "common/sample_block.h"
#include "core/handling/channel_handling.h"
#include "decoders/decoder_set.h"

namespace kub {

class MonitorChannel {
public:
    MonitorChannel(std::string name, const DecoderOptions& options, std::uint32_t fmsDitherSeed)
        : name_(std::move(name)), decoders_(options, fmsDitherSeed) {}
    MonitorChannel(const MonitorChannel&) = delete;
    MonitorChannel& operator=(const MonitorChannel&) = delete;

    const std::string& name() const { return name_; }
    DecoderSet& decoders() { return decoders_; }
    const DecoderSet& decoders() const { return decoders_; }

    // One block: decoded, and every reception it completes handled.
    void processBlock(ReceptionContext& context, const SampleArray& samples) {
        decoders_.process(samples);
        handleChannelEvents(context, decoders_, memory_, name_);
    }
    // The same in two halves, for a block decoded on another thread than the handling's
    // (the decoding touches nothing but this channel's decoders): what it decoded, then
    // its handling.
    ChannelEvents decode(const SampleArray& samples) {
        decoders_.process(samples);
        return takeChannelEvents(decoders_);
    }
    void handle(ReceptionContext& context, const ChannelEvents& events) {
        handleChannelEvents(context, events, memory_, name_);
    }

    // Mono samples, any count: every block they complete is processed; the rest waits
    // for the next call. Returns the blocks processed.
    int feed(ReceptionContext& context, std::span<const std::int16_t> samples);

private:
    std::string name_;
    DecoderSet decoders_;
    ChannelMemory memory_;
    SampleArray pending_{};
    int pendingCount_ = 0;
};

}  // namespace kub
