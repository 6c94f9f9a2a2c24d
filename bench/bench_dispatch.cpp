// Blocks per second through the block dispatch with all six decoders switched on but
// doing nothing: the cost of the spine alone.
//   ./build/bench/bench_dispatch [blocks]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "capture/block_dispatcher.h"
#include "decoders/decoder_set.h"

namespace {
// Each channel's three decoders under the real order and busy flags, each reading its input.
struct NullChannel {
    double sink[3] = {0, 0, 0};
    kub::BusyFlags flags;
    void process(const kub::SampleArray& s) {
        kub::runDecodersInOrder(flags, {true, true, true}, [&] { sink[0] += s[17]; }, [&] { sink[1] += s[17]; },
                                [&] { sink[2] += s[17]; });
    }
};
struct NullSink : kub::StereoBlockSink {
    NullChannel channel[2];
    void takeStereoBlock(const kub::SampleArray& l, const kub::SampleArray& r, const kub::MeterValues&) override {
        channel[0].process(l);
        channel[1].process(r);
    }
};
}  // namespace

int main(int argc, char** argv) {
    const long blocks = argc > 1 ? std::atol(argv[1]) : 200000;
    NullSink sink;
    kub::BlockDispatcher d(sink);
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> dist(-32768, 32767);
    for (auto& b : d.captureBuffers)
        for (auto& s : b) s = static_cast<std::int16_t>(dist(rng));

    const auto t0 = std::chrono::steady_clock::now();
    for (long i = 0; i < blocks; ++i) d.processCaptureBuffer();
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double perSec = static_cast<double>(blocks) / secs;
    const double audio = static_cast<double>(blocks) * kub::kBlockFrames / kub::kSampleRate;
    std::printf("blocks            %ld\n", blocks);
    std::printf("blocks/s          %.0f\n", perSec);
    std::printf("audio x realtime  %.0f\n", audio / secs);
    std::printf("(checksum %.0f)\n", sink.channel[0].sink[0] + sink.channel[1].sink[1] + sink.channel[0].sink[2] + d.meters().peakLeft);
    return 0;
}
