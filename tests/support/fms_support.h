#pragma once
// Helpers of the FMS tests: feeding synthetic audio through one channel's FMS decoder
// or the whole monitor, temporary program folders and running the kubmon tool.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "common/clock.h"
#include "core/headless_window.h"
#include "core/reception_context.h"
#include "decoders/fms/fms_decoder.h"
#include "decoders/busy_flags.h"
#include "siggen/fms_signal.h"

namespace kub::test {

// One FMS decoder on its own with a recording window and a hand-set clock.
struct FmsRig {
    ManualClock clock{1765000000.0};
    HeadlessWindow window;
    ReceptionContext context{clock, window};
    BusyFlags flags;
    FmsDecoder decoder{context.options, flags};

    // Full scale 1.0 becomes 32767, as the sound card delivers it; block by block, each
    // block's receptions handled on the left channel, then `flushBlocks` blocks of silence.
    void feed(const std::vector<float>& signal, int flushBlocks = 22);
    int blocksFed = 0;
};

// Telegrams one after another at `amplitude`, 0.3 s of silence before each and behind
// the last, with the export line each should give.
struct TelegramTape {
    std::vector<float> audio;
    std::map<std::string, int> wanted;  // export line, how often sent
    double signalPower = 0;             // mean power over the telegrams' own samples
};
TelegramTape telegramTape(const std::vector<siggen::FmsTelegram>& telegrams, double amplitude);
// How many of `lines` were sent, each sent telegram counted once; the others (never sent,
// or more often than sent) are added to `notSent`.
int countSent(TelegramTape& tape, const std::vector<std::string>& lines, std::vector<std::string>& notSent);

// Converts full-scale floats to the 16-bit sample values the decoders see.
double toSampleValue(float v);

// A fresh empty folder under the system's temporary folder; removed by the destructor.
struct TempFolder {
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string path;
};

// Runs a shell command; its stdout, then its stderr, into `out`; returns the exit status.
int runCommand(const std::string& command, std::string& out);
bool toolAvailable(const char* name);
std::vector<std::string> splitTabs(const std::string& text);

}  // namespace kub::test
