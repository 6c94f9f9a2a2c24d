// Well-formed radio traffic with arbitrary content: the input is a list of items (FMS
// status telegrams and texts, five-tone codes, POCSAG messages of any RIC, function and
// text, raw POCSAG codewords, tone calls, noise), synthesised onto the left, right or both
// channels and decoded by all six decoders with their reception handling, day logs and
// status files in a program folder. Arbitrary audio seldom gets past the demodulators;
// this gets arbitrary receptions to the handling behind them.

#include <cstdint>
#include <string>
#include <vector>

#include "common/clock.h"
#include "core/headless_window.h"
#include "core/monitor_core.h"
#include "fuzz_support.h"
#include "siggen/fms_signal.h"
#include "siggen/pocsag_signal.h"
#include "siggen/stereo_track.h"
#include "siggen/zvei_signal.h"
#include "storage/day_log.h"
#include "storage/vehicle_table.h"

namespace {

class Input {
public:
    Input(const std::uint8_t* d, std::size_t n) : d_(d), n_(n) {}
    bool empty() const { return p_ >= n_; }
    std::uint8_t byte() { return p_ < n_ ? d_[p_++] : 0; }
    std::string bytes(std::size_t max) {
        const std::size_t len = byte() % (max + 1);
        std::string s;
        for (std::size_t i = 0; i < len && !empty(); ++i) s.push_back(static_cast<char>(byte()));
        return s;
    }

private:
    const std::uint8_t* d_;
    std::size_t n_;
    std::size_t p_ = 0;
};

// Latin-1 bytes as UTF-8, as a dispatcher's keyboard would give them.
std::string latin1ToUtf8(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::string kennungFrom(Input& in) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string k;
    for (int i = 0; i < 4; ++i) k.push_back(kHex[in.byte() % 16]);
    for (int i = 0; i < 4; ++i) k.push_back(static_cast<char>('0' + in.byte() % 10));
    return k;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const std::uint8_t options = in.byte();

    siggen::StereoTrack track;
    track.gap(0.05);
    for (int items = 0; items < 8 && !in.empty(); ++items) {
        const std::uint8_t op = in.byte();
        const auto side = static_cast<siggen::Side>((op >> 4) % 3);
        const double amplitude = 0.1 + 0.8 * in.byte() / 255.0;
        std::vector<float> sig;
        switch (op % 8) {
        case 0: {
            siggen::FmsTelegram t;
            t.kennung = kennungFrom(in);
            const std::uint8_t b = in.byte();
            t.status = b % 16;
            t.direction = (b >> 4) & 1;
            t.tki = (b >> 5) & 3;
            t.baustufe = (b >> 7) & 1;
            sig = siggen::fmsTelegramSignal(t, amplitude);
            break;
        }
        case 1: {
            std::string error;
            const std::string kennung = kennungFrom(in);
            std::string text;
            for (unsigned char c : in.bytes(24)) text.push_back(static_cast<char>(c & 0x7F));
            siggen::fmsTextSignal(kennung, in.byte() % 4, text, amplitude, sig, error);
            break;
        }
        case 2: {
            static const char kSymbols[] = "0123456789RGCHULJP";
            std::string code;
            for (int i = 0; i < 5; ++i) code.push_back(kSymbols[in.byte() % 18]);
            sig = siggen::zveiSequence(code, amplitude);
            break;
        }
        case 3:
        case 4: {
            std::vector<siggen::PocsagMessage> messages;
            const int count = 1 + in.byte() % 3;
            for (int m = 0; m < count; ++m) {
                siggen::PocsagMessage msg;
                msg.ric = (static_cast<std::uint32_t>(in.byte()) << 13 | static_cast<std::uint32_t>(in.byte()) << 5 |
                           in.byte()) & 0x1FFFFFu;
                const std::uint8_t b = in.byte();
                msg.function = b & 3;
                msg.content = static_cast<siggen::PocsagContent>((b >> 2) % 3);
                msg.zeroFill = (b >> 4) & 1;
                msg.text = latin1ToUtf8(in.bytes(60));
                messages.push_back(msg);
            }
            static const double kRates[3] = {512, 1200, 2400};
            const std::uint8_t b = in.byte();
            sig = siggen::pocsagSignal(messages, kRates[b % 3], amplitude, (b >> 2) & 1);
            break;
        }
        case 5: {
            // Raw codewords after the preamble: whatever a foreign or broken sender puts
            // into its batches.
            std::vector<std::uint32_t> words;
            const int count = 1 + in.byte() % 40;
            for (int i = 0; i < count; ++i) {
                std::uint32_t w = 0;
                for (int k = 0; k < 4; ++k) w = w << 8 | in.byte();
                if ((w & 3) == 0) w = siggen::kPocsagSync;
                words.push_back(w);
            }
            static const double kRates[3] = {512, 1200, 2400};
            const std::uint8_t b = in.byte();
            sig = siggen::pocsagWaveform(siggen::pocsagBits(words, 64 + in.byte() * 2), kRates[b % 3], amplitude,
                                         (b >> 2) & 1);
            break;
        }
        case 6:
            sig = siggen::toneSignal(in.byte() % 2 ? 1750.0 : 2135.0, 100.0 + in.byte() * 4, amplitude);
            break;
        default:
            sig.assign(static_cast<std::size_t>(in.byte()) * 40, 0.0f);
            break;
        }
        track.append(side, sig);
        if (in.byte() & 1) track.gap(0.02 * (in.byte() % 16));
    }
    track.gap(0.3);
    if (options & 0x80) track.addNoise(0.02 * ((options >> 4) & 7), options);

    const std::string& folder = kubfuzz::programFolder();
    kub::StreamClock clock(1767225600.0 + 86400.0 - 1.0);  // a day change right away
    kub::HeadlessWindow window;
    window.setRecording(false);
    window.setRowLimit(20);
    kub::MonitorCore core(clock, window);
    core.enableAll(true);
    core.context.programFolder = folder;
    core.context.options.inputFilter = options & 1;
    core.context.options.pocsagErrorCorrection = (options >> 1) & 1;
    core.context.options.fmsCheckBits = (options >> 2) & 1;
    core.context.options.pocsagBatchAwareEnd = (options >> 3) & 1;
    auto& vt = core.context.vehicles;
    vt.vehicleTable[0].kennung = "62341234";
    vt.vehicleTable[0].rufname = "Florian 1";
    vt.vehicleTable[1].kennung = "00000000";
    vt.vehicleTable[2].kennung = "FFFF9999";
    vt.vehicleCount = 3;
    vt.lastNamedSlot = 2;
    core.context.receivers.receiverList.push_back({"25431", "Wehr Musterstadt", 255});
    core.context.receivers.receiverList.push_back({"0000000", "Null", 0});
    core.context.receivers.assignmentList.push_back({"62341234", "25431", "Florian 1"});

    const auto samples = track.toInterleaved16();
    std::size_t pos = 0;
    while (pos < samples.size()) {
        auto& block = core.dispatcher.captureBuffers[static_cast<std::size_t>(core.dispatcher.currentBuffer())];
        for (auto& s : block) s = pos < samples.size() ? samples[pos++] : 0;
        core.dispatcher.processCaptureBuffer();
        clock.advanceFrames(kub::kBlockFrames);
    }
    // Keep the folder small over millions of runs.
    for (double t : {clock.nowSeconds() - 86400.0, clock.nowSeconds()})
        for (auto kind : {kub::LogKind::Fms, kub::LogKind::Zvei, kub::LogKind::Pocsag})
            kubfuzz::removeFile(kub::dayLogPath(folder, kind, kub::toLocalTime(t)));
    return 0;
}
