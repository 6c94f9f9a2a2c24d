#pragma once
// Where the channelizer hands each channel's demodulated audio: mono 16-bit samples at the
// decoders' rate (common/sample_block.h), in the order they were received, any count per call.

#include <cstddef>
#include <cstdint>
#include <span>

namespace kub {

class SdrAudioSink {
public:
    virtual ~SdrAudioSink() = default;
    // `channel` is the index in the channel list the channelizer was made with.
    virtual void takeChannelAudio(std::size_t channel, std::span<const std::int16_t> audio) = 0;
};

}  // namespace kub
