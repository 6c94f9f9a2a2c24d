#pragma once
// One radio channel of an SDR stick's band as the user names it ("--kanal NAME=FREQ[:fms,zvei,pocsag]"
// or a line of the channel list): its name as the records carry it, its frequency and the
// decoders switched on for it.

#include <cstdint>
#include <string>

namespace kub {

struct SdrChannelEntry {
    std::string name;
    std::int64_t frequency = 0;  // Hz
    bool fms = true;
    bool zvei = true;
    bool pocsag = true;
};

}  // namespace kub
