// Blocks per second through the block dispatch with all six decoders switched on but
// doing nothing: the cost of the spine alone.
//   ./build/bench/bench_dispatch [blocks]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "capture/block_dispatcher.h"

namespace {
struct NullFms : kub::FmsBlockDecoder {
    double sink = 0;
    void processFmsBuffer() override { sink += samples[17]; }
};
struct NullZvei : kub::ZveiBlockDecoder {
    double sink = 0;
    void processZveiBuffer() override { sink += samples[17]; }
};
struct NullPoc : kub::PocsagBlockDecoder {
    double sink = 0;
    void processPocsagBuffer() override { sink += samples[17]; }
};
}  // namespace

int main(int argc, char** argv) {
    const long blocks = argc > 1 ? std::atol(argv[1]) : 200000;
    NullFms f[2];
    NullZvei z[2];
    NullPoc p[2];
    kub::Channel left, right;
    left = {{1, 1, 1}, {}, &f[0], &z[0], &p[0]};
    right = {{1, 1, 1}, {}, &f[1], &z[1], &p[1]};
    kub::BlockDispatcher d(left, right);
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
    std::printf("(checksum %.0f)\n", f[0].sink + z[1].sink + p[0].sink + d.meters().peakLeft);
    return 0;
}
