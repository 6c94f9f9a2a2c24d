#include "siggen/mixed_traffic.h"

#include <cstdio>

#include "siggen/fms_signal.h"
#include "siggen/pocsag_signal.h"
#include "siggen/zvei_signal.h"

namespace siggen {

namespace {

constexpr int kRate22050 = 22050;

std::size_t at(double seconds) { return static_cast<std::size_t>(seconds * kRate22050); }

std::string digits(long value, int width) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*ld", width, value);
    return buf;
}

// Five digits, none equal to the one before (a real encoder would send the repeat tone;
// the generator does that too, this only keeps the codes varied).
std::string zveiCode(long index, bool right) {
    std::string code = digits((index * 7919 + (right ? 50000 : 0)) % 100000, 5);
    return code;
}

}  // namespace

std::string trafficKennung(long index, bool right) {
    return std::string(right ? "623B" : "6234") + digits(1200 + index % 16, 4);
}

TrafficCycle mixedTrafficCycle(long index, double noiseRms) {
    TrafficCycle c;
    c.track.gap(kTrafficCycleSeconds);
    static const double kRates[3] = {512, 1200, 2400};
    for (int side = 0; side < 2; ++side) {
        const bool right = side == 1;
        const Side s = right ? Side::Right : Side::Left;
        const double offset = right ? 0.5 : 0.0;

        FmsTelegram t;
        t.kennung = trafficKennung(index, right);
        t.status = 1 + static_cast<int>((index + side) % 8);  // 1..8: statuses a vehicle sends
        t.direction = 0;
        t.tki = static_cast<int>(index % 4);
        c.track.mixAt(s, at(1.0 + offset), fmsTelegramSignal(t, 0.5));
        c.expected.push_back({TrafficKind::Fms, "##FMS#" + t.kennung + "#" + std::to_string(t.status) + "#" +
                                                    std::to_string(t.tki) + "0#+"});

        const std::string code = zveiCode(index, right);
        c.track.mixAt(s, at(3.0 + offset), zveiSequence(code, 0.5));
        c.expected.push_back({TrafficKind::Zvei, "##ZVEI#" + code + "#"});

        PocsagMessage m;
        m.ric = static_cast<std::uint32_t>((index * 4099 + (right ? 1000000 : 10000)) % 2000000);
        m.function = static_cast<int>(index % 4);
        m.text = "Einsatz " + std::to_string(index) + (right ? " rechts" : " links");
        const double rate = kRates[(index + side) % 3];
        c.track.mixAt(s, at(6.0 + 5.0 * offset), pocsagSignal({m}, rate, 0.5, (index % 2) == 1));
        c.expected.push_back({TrafficKind::Pocsag, "##POC#" + std::to_string(m.ric) + "#" +
                                                       std::to_string(m.function) + "#" + m.text + "#+"});
    }
    if (noiseRms > 0) c.track.addNoise(noiseRms, static_cast<unsigned>(index));
    return c;
}

}  // namespace siggen
