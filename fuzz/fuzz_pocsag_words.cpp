// The POCSAG codeword layer fed raw bit streams, as the slicer would leave them in the
// bit ring, and the reception handling of whatever it makes of them. The first byte
// switches the improvements and picks hard bits (eight per byte) or soft bits (one per
// byte, confident or uncertain, either sign).

#include <cstdint>

#include "common/clock.h"
#include "core/headless_window.h"
#include "core/reception_context.h"
#include "core/handling/pocsag_handling.h"
#include "decoders/pocsag/pocsag_words.h"
#include "fuzz_support.h"

namespace {

double softBit(std::uint8_t b) {
    static constexpr double kLevels[4] = {-1.0, -0.25, 0.25, 1.0};
    return kLevels[b & 3];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t control = data[0];
    kub::DecoderOptions options;
    options.pocsagErrorCorrection = control & 1;
    options.pocsagBatchAwareEnd = (control >> 1) & 1;
    const bool soft = (control >> 2) & 1;

    kub::ManualClock clock(1767225600.0);
    kub::HeadlessWindow window;
    window.setRecording(false);
    window.setRowLimit(20);
    kub::ReceptionContext context(clock, window);
    context.receivers.receiverList.push_back({"1234567", "Kreisbrandmeister", 255});
    kub::PocsagBitState bits;
    kub::PocsagWordState words;
    kub::PocsagRepeatMemory last;
    // The finished pages to the reception handling, as the decoder hands them on.
    auto handOn = [&] {
        for (const kub::PocsagPage& p : words.finishedPages)
            kub::handlePocsagPage(context, last, {p.ric, p.function, p.text, p.complete, 0}, "left");
        words.finishedPages.clear();
    };
    bits.pocsagState = kub::PocsagPhase::Preamble;

    std::size_t pos = 1;
    int bitInByte = 0;
    auto more = [&] { return pos < size; };
    auto nextBit = [&]() -> double {
        if (soft) return softBit(data[pos++]);
        const double v = ((data[pos] >> (7 - bitInByte)) & 1) ? 1.0 : -1.0;
        if (++bitInByte == 8) {
            bitInByte = 0;
            ++pos;
        }
        return v;
    };
    while (more()) {
        // A buffer's worth of bits at most, as the slicer delivers per block.
        int added = 0;
        for (; added < 200 && more(); ++added) {
            const int next = (bits.bitWrite + 1) % kub::kPocsagRingSize;
            if (next == bits.bitRead) break;
            bits.bitRing[static_cast<std::size_t>(bits.bitWrite)] = nextBit();
            bits.bitWrite = next;
        }
        // A layer that takes nothing from a full ring would never take anything again.
        if (added == 0) break;
        kub::runCodewordLayer(bits, words, options);
        handOn();
        if (words.finishedPages.size() > 0 || last.reported.size() > kub::kPocsagRememberedRics) __builtin_trap();
        if (bits.transmissionEnded && bits.pocsagState > kub::PocsagPhase::Hunting) {
            kub::endTransmission(bits, words);
            handOn();
            bits.pocsagState = kub::PocsagPhase::Preamble;
        }
        clock.advance(0.05);
    }
    // The carrier drops: what is gathered is released.
    bits.transmissionEnded = true;
    kub::runCodewordLayer(bits, words, options);
    if (bits.pocsagState > kub::PocsagPhase::Hunting) {
        kub::endTransmission(bits, words);
        handOn();
    }
    return 0;
}
