#pragma once
// Mixed radio traffic for long runs: a cycle of a few seconds carries an FMS status
// telegram, a five-tone code and a POCSAG message on each channel, their content varied
// by the cycle's number so that no reception is a repeat of the one before. Each cycle
// says which export lines a monitor should give for it.

#include <string>
#include <vector>

#include "siggen/stereo_track.h"

namespace siggen {

enum class TrafficKind { Fms, Zvei, Pocsag };

struct ExpectedReception {
    TrafficKind kind;
    std::string linePrefix;  // the export line starts with this
};

struct TrafficCycle {
    StereoTrack track;
    std::vector<ExpectedReception> expected;
};

constexpr double kTrafficCycleSeconds = 20.0;
// The Kennungen the cycles use, so a test can name them on its board: 16 per channel.
std::string trafficKennung(long index, bool right);

// Cycle number `index`; `noiseRms` of white noise over both channels (0: none).
TrafficCycle mixedTrafficCycle(long index, double noiseRms = 0.0);

}  // namespace siggen
