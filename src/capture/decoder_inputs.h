#pragma once
// How the block dispatch sees the decoders of one channel: each owns a 1024-sample input
// array that the dispatch fills, and one per-block entry it calls.

#include <array>
#include <cstdint>

namespace kub {

constexpr int kBlockFrames = 1024;
constexpr int kSampleRate = 22050;

using SampleArray = std::array<double, kBlockFrames>;

// The busy flags through which the decoders of one channel keep out of each other's way.
struct ChannelFlags {
    // The channel these flags belong to, as reception records name it.
    const char* channel = "left";
    std::int16_t fmsBusyFlag = 0;
    std::int16_t zveiDecodedFlag = 0;
    std::int16_t pocsagBusyFlag = 0;
};

// Decoder switches of one channel; only the value 1 means on.
struct ChannelSwitches {
    std::int16_t fmsEnabled = 0;
    std::int16_t zveiEnabled = 0;
    std::int16_t pocsagEnabled = 0;
};

class FmsBlockDecoder {
public:
    virtual ~FmsBlockDecoder() = default;
    virtual void processFmsBuffer() = 0;
    SampleArray samples{};
};

class ZveiBlockDecoder {
public:
    virtual ~ZveiBlockDecoder() = default;
    virtual void processZveiBuffer() = 0;
    SampleArray samples{};
};

class PocsagBlockDecoder {
public:
    virtual ~PocsagBlockDecoder() = default;
    virtual void processPocsagBuffer() = 0;
    SampleArray samples{};
};

// One channel's decoders, switches and busy flags. The decoders are owned elsewhere.
struct Channel {
    ChannelSwitches switches;
    ChannelFlags flags;
    FmsBlockDecoder* fms = nullptr;
    ZveiBlockDecoder* zvei = nullptr;
    PocsagBlockDecoder* pocsag = nullptr;
};

}  // namespace kub
