#include "support/fms_support.h"

#include "core/handling/fms_handling.h"
#include "support/run_process.h"

#include <algorithm>
#include <cmath>

namespace kub::test {

TelegramTape telegramTape(const std::vector<siggen::FmsTelegram>& telegrams, double amplitude) {
    TelegramTape tape;
    tape.audio.assign(6615, 0.0f);
    double energy = 0;
    std::size_t samples = 0;
    for (const auto& t : telegrams) {
        const auto sig = siggen::fmsTelegramSignal(t, amplitude);
        for (const float v : sig) energy += static_cast<double>(v) * v;
        samples += sig.size();
        tape.audio.insert(tape.audio.end(), sig.begin(), sig.end());
        tape.audio.resize(tape.audio.size() + 6615, 0.0f);
        ++tape.wanted["##FMS#" + t.kennung + "#" + std::to_string(t.status) + "#" + std::to_string(t.tki) +
                      std::to_string(t.direction) + "#+"];
    }
    tape.signalPower = energy / static_cast<double>(std::max<std::size_t>(samples, 1));
    return tape;
}

int countSent(TelegramTape& tape, const std::vector<std::string>& lines, std::vector<std::string>& notSent) {
    int sent = 0;
    for (const auto& line : lines) {
        if (tape.wanted[line] > 0) {
            --tape.wanted[line];
            ++sent;
        } else {
            notSent.push_back(line);
        }
    }
    return sent;
}

double toSampleValue(float v) {
    const double x = std::round(static_cast<double>(v) * 32767.0);
    return std::clamp(x, -32768.0, 32767.0);
}

void FmsRig::feed(const std::vector<float>& signal, int flushBlocks) {
    std::size_t at = 0;
    const std::size_t total = signal.size() + static_cast<std::size_t>(flushBlocks) * kBlockFrames;
    while (at < total) {
        SampleArray samples;
        for (std::size_t i = 0; i < static_cast<std::size_t>(kBlockFrames); ++i, ++at)
            samples[i] = at < signal.size() ? toSampleValue(signal[at]) : 0.0;
        decoder.process(samples);
        for (const FmsEvent& event : decoder.takeEvents()) handleFmsEvent(context, event, "left");
        clock.advance(static_cast<double>(kBlockFrames) / kSampleRate);
        ++blocksFed;
    }
}

TempFolder::TempFolder() : path(kubtest::makeTempDir("kubfms")) {}

TempFolder::~TempFolder() { kubtest::removeTree(path); }

int runCommand(const std::string& command, std::string& out) {
    const kubtest::ProcessResult r = kubtest::runProcess(command);
    out = r.out + r.err;
    return r.exitCode;
}

bool toolAvailable(const char* name) {
    return kubtest::runProcess(std::string("command -v ") + name + " >/dev/null").exitCode == 0;
}

std::vector<std::string> splitTabs(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = text.find('\t', start);
        parts.push_back(text.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) break;
        start = tab + 1;
    }
    return parts;
}

}  // namespace kub::test
