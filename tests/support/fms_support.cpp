#include "support/fms_support.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include <sys/wait.h>

namespace kub::test {

double toSampleValue(float v) {
    const double x = std::round(static_cast<double>(v) * 32767.0);
    return std::clamp(x, -32768.0, 32767.0);
}

void FmsRig::feed(const std::vector<float>& signal, int flushBlocks) {
    std::size_t at = 0;
    const std::size_t total = signal.size() + static_cast<std::size_t>(flushBlocks) * kBlockFrames;
    while (at < total) {
        for (std::size_t i = 0; i < static_cast<std::size_t>(kBlockFrames); ++i, ++at)
            decoder.samples[i] = at < signal.size() ? toSampleValue(signal[at]) : 0.0;
        decoder.processFmsBuffer();
        clock.advance(static_cast<double>(kBlockFrames) / kSampleRate);
        ++blocksFed;
    }
}

TempFolder::TempFolder() {
    static std::mt19937_64 rng(std::random_device{}());
    auto base = std::filesystem::temp_directory_path();
    do {
        path = (base / ("kubfms-" + std::to_string(rng()))).string();
    } while (std::filesystem::exists(path));
    std::filesystem::create_directories(path);
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

int runCommand(const std::string& command, std::string& out) {
    out.clear();
    std::FILE* p = popen(command.c_str(), "r");
    if (!p) return -1;
    std::array<char, 4096> buf{};
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
    const int status = pclose(p);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool toolAvailable(const char* name) {
    std::string out;
    return runCommand(std::string("command -v ") + name + " >/dev/null 2>&1 && echo yes", out) == 0 &&
           out.find("yes") != std::string::npos;
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t nl = text.find('\n', start);
        if (nl == std::string::npos) nl = text.size();
        std::string line = text.substr(start, nl - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
        start = nl + 1;
    }
    return lines;
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
