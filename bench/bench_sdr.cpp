// Speed and memory of the SDR signal path: IQ of a 2.4 MS/s stick (cu8) cut into 16
// channels, and into one, each decoded by the monitor's core as `kubmon decode --sdr`
// does; times real time on one core (the process's CPU time: steadier on a shared
// machine than the wall clock), and the resident memory at the start and the end of a
// long input (it must stay flat).
//
//   bench_sdr [seconds of input, default 120] [channel count, default 16 and then 1]
//
// The input is 20 s of mixed traffic (FMS, ZVEI, POCSAG on every channel, under noise),
// made once and fed again and again.

#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "common/clock.h"
#include "core/headless_window.h"
#include "core/monitor_channel.h"
#include "core/monitor_core.h"
#include "core/reception_output.h"
#include "sdr/iq_reader.h"
#include "sdr/sdr_channelizer.h"
#include "siggen/iq_track.h"
#include "siggen/mixed_traffic.h"

namespace {

constexpr double kRate = 2400000;
constexpr double kCentre = 172600000;
constexpr double kSpacing = 125000;  // 16 channels over ±1 MHz

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

long residentKib() {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word)
        if (word == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
    return 0;
}

class CoreFeed final : public kub::SdrAudioSink {
public:
    CoreFeed(kub::MonitorCore& core, std::size_t first) : core_(core), first_(first) {}
    void takeChannelAudio(std::size_t channel, std::span<const std::int16_t> audio) override {
        core_.feedChannel(first_ + channel, audio);
    }

private:
    kub::MonitorCore& core_;
    std::size_t first_;
};

class Counter final : public kub::ReceptionOutput {
public:
    void deliver(const kub::ReceptionRecord& record) override {
        if (record.protocol != kub::RecordProtocol::Einsatz) ++count;
    }
    long long count = 0;
};

std::vector<std::uint8_t> makeInput(int channels) {
    std::vector<siggen::IqChannel> iq;
    for (int c = 0; c < channels; ++c) {
        const siggen::TrafficCycle cycle = siggen::mixedTrafficCycle(c / 2, 0.0);
        siggen::IqChannel ch;
        ch.audio = c % 2 == 0 ? cycle.track.left() : cycle.track.right();
        ch.carrier.assign(ch.audio.size(), true);
        ch.offset = (c - channels / 2) * kSpacing + 12500;
        iq.push_back(std::move(ch));
    }
    siggen::IqTrackOptions options;
    options.rate = kRate;
    options.cnrDb = 25;
    siggen::IqTrack track(options, std::move(iq));
    std::vector<std::uint8_t> bytes(2 * track.length());
    std::size_t at = 0;
    while (const std::size_t n = track.next(bytes.data() + 2 * at, 1 << 16)) at += n;
    return bytes;
}

struct Result {
    double timesRealTime = 0;
    long rssStart = 0, rssEnd = 0;
    long long receptions = 0;
};

Result run(int channels, double seconds, const std::vector<std::uint8_t>& input) {
    kub::StreamClock clock(0);
    kub::HeadlessWindow window;
    window.setRecording(false);
    window.setRowLimit(10);
    kub::MonitorCore core(clock, window);
    Counter counter;
    const kub::OutputRegistration counted = core.context.addOutput(counter);
    core.context.options = kub::DecoderOptions::allOn();
    std::vector<kub::SdrChannelEntry> entries;
    std::size_t first = 0;
    for (int c = 0; c < channels; ++c) {
        kub::SdrChannelEntry s;
        // Appended, not "K" + to_string: GCC 12 at -O3 warns falsely about the latter.
        s.name = "K";
        s.name += std::to_string(c);
        s.frequency = static_cast<std::int64_t>(kCentre + (c - channels / 2) * kSpacing + 12500);
        entries.push_back(s);
        const std::size_t i = core.addChannel(s.name);
        if (c == 0) first = i;
        core.channel(i).decoders().switchOn({true, true, true});
    }
    CoreFeed feed(core, first);
    kub::SdrChannelizer channelizer({static_cast<std::int64_t>(kRate), static_cast<std::int64_t>(kCentre), 0, false},
                                    entries, feed);
    kub::IqReader reader(kub::IqFormat::Cu8);
    std::vector<std::complex<float>> iq;
    const auto total = static_cast<std::size_t>(seconds * kRate) * 2;
    const std::size_t chunk = 1 << 16;
    Result r;
    const double start = cpuSeconds();
    for (std::size_t done = 0; done < total; done += chunk) {
        const std::size_t at = done % input.size();
        const std::size_t n = std::min({chunk, input.size() - at, total - done});
        iq.clear();
        reader.push(input.data() + at, n, iq);
        channelizer.push(iq);
        clock.advanceFrames(static_cast<std::int64_t>(static_cast<double>(n / 2) * 22050 / kRate));
        // The memory after the first minute of input: every buffer has its size then.
        if (r.rssStart == 0 && done >= static_cast<std::size_t>(60 * kRate) * 2) r.rssStart = residentKib();
    }
    r.timesRealTime = seconds / (cpuSeconds() - start);
    r.rssEnd = residentKib();
    r.receptions = counter.count;
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 120.0;
    if (!(seconds >= 61) || (argc > 2 && !(std::atoi(argv[2]) >= 1 && std::atoi(argv[2]) <= 16))) {
        std::fprintf(stderr, "Aufruf: bench_sdr [Sekunden Eingabe, mindestens 61] [Kanäle, 1 bis 16]\n");
        return 2;
    }
    std::printf("IQ 2.4 MS/s cu8, %.0f s of input; CPU time of this process\n\n", seconds);
    std::printf("| channels | times real time | RSS after 60 s | RSS at the end | receptions |\n");
    std::printf("|---:|---:|---:|---:|---:|\n");
    std::vector<int> counts = {16, 1};
    if (argc > 2) counts = {std::atoi(argv[2])};
    for (int channels : counts) {
        const std::vector<std::uint8_t> input = makeInput(channels);
        const Result r = run(channels, seconds, input);
        std::printf("| %d | %.1f | %ld KiB | %ld KiB | %lld |\n", channels, r.timesRealTime, r.rssStart, r.rssEnd,
                    r.receptions);
        std::fflush(stdout);
    }
    return 0;
}
