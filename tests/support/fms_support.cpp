#include "support/fms_support.h"

#include "core/handling/fms_handling.h"
#include "support/run_process.h"

#include <algorithm>
#include <cmath>

namespace kub::test {

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
