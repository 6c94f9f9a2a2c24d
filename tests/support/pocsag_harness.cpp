#include "support/pocsag_harness.h"

#include <algorithm>
#include <cmath>

namespace kubtest {

void PocsagHarness::feed(const std::vector<float>& mono) {
    for (std::size_t at = 0; at < mono.size(); at += kub::kBlockFrames) {
        kub::SampleArray samples;
        for (std::size_t i = 0; i < static_cast<std::size_t>(kub::kBlockFrames); ++i) {
            const double v = at + i < mono.size() ? static_cast<double>(mono[at + i]) : 0.0;
            // As 16-bit samples arrive: whole numbers, clipped.
            samples[i] = std::clamp(std::nearbyint(v * 32767.0), -32768.0, 32767.0);
        }
        clock.advanceFrames(kub::kBlockFrames);
        decoder.process(samples);
        for (const kub::PocsagPageEvent& page : decoder.takeEvents())
            kub::handlePocsagPage(context, memory, page, "left");
        ++blocks;
        if (flags.pocsagBusy) ++busyBlocks;
        if (decoder.bitState().pocsagState == kub::PocsagPhase::Hunting) ++huntingBlocks;
    }
}

void PocsagHarness::silence(double seconds) {
    feed(std::vector<float>(static_cast<std::size_t>(seconds * kub::kSampleRate), 0.0f));
}

}  // namespace kubtest
