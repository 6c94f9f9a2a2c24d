#pragma once
// Helpers of the ZVEI tests: a scratch folder, running the real kubmon and multimon-ng,
// and feeding synthetic audio through the block dispatch in-process.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "common/clock.h"
#include "common/headless_window.h"
#include "common/monitor_core.h"
#include "siggen/stereo_track.h"

namespace kub::zveitest {

namespace fs = std::filesystem;

// A fresh folder per test, removed afterwards.
class ScratchFolder {
public:
    ScratchFolder() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = fs::temp_directory_path() /
                (std::string("kub-zvei-") + info->test_suite_name() + "-" + info->name() + "-" +
                 std::to_string(::getpid()));
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

struct CommandResult {
    int status = -1;
    std::string out;
};

inline CommandResult runCommand(const std::string& command) {
    CommandResult r;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return r;
    std::array<char, 4096> buf{};
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), pipe.get())) > 0) r.out.append(buf.data(), n);
    const int raw = pclose(pipe.release());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

inline std::string quoted(const std::string& s) { return "'" + s + "'"; }

inline bool haveTool(const std::string& name) {
    return runCommand("command -v " + name + " >/dev/null 2>&1 && echo yes").out == "yes\n";
}

inline std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

// kubmon gen [OPTIONS] OUT.wav ITEMS...; true when it succeeded.
inline bool kubmonGen(const std::string& args) {
    CommandResult r = runCommand(std::string(KUBMON_EXE) + " gen " + args + " 2>&1");
    EXPECT_EQ(r.status, 0) << r.out;
    return r.status == 0;
}

// kubmon decode [--folder DIR] FILE: the export lines it printed.
inline std::vector<std::string> kubmonDecode(const std::string& wav, const std::string& folder = {}) {
    std::string cmd = std::string(KUBMON_EXE) + " decode ";
    if (!folder.empty()) cmd += "--folder " + quoted(folder) + " ";
    CommandResult r = runCommand(cmd + quoted(wav));
    EXPECT_EQ(r.status, 0) << cmd;
    return lines(r.out);
}

// Runs the whole monitor in-process on a stereo track (plus a second of silence, as the
// file decoder does), with the stream clock starting at `startSeconds`.
class InProcessMonitor {
public:
    explicit InProcessMonitor(double startSeconds = 1.8e9) : clock(startSeconds), core(clock, window) {
        core.enableAll(true);
    }
    void feed(const siggen::StereoTrack& track) {
        feed(track.left(), track.right());
    }
    void feed(const std::vector<float>& left, const std::vector<float>& right) {
        const std::size_t frames = std::max(left.size(), right.size()) + 22050;
        for (std::size_t at = 0; at < frames; at += kBlockFrames) {
            auto& block = core.dispatcher.captureBuffers[static_cast<std::size_t>(core.dispatcher.currentBuffer())];
            for (std::size_t k = 0; k < static_cast<std::size_t>(kBlockFrames); ++k) {
                block[2 * k] = toSample(left, at + k);
                block[2 * k + 1] = toSample(right, at + k);
            }
            clock.advanceFrames(kBlockFrames);
            core.dispatcher.processCaptureBuffer();
        }
    }
    std::vector<std::string> receptions() const { return window.receptionLines; }

    StreamClock clock;
    HeadlessWindow window;
    MonitorCore core;

private:
    static std::int16_t toSample(const std::vector<float>& v, std::size_t i) {
        if (i >= v.size()) return 0;
        const double s = std::nearbyint(static_cast<double>(v[i]) * 32767.0);
        return static_cast<std::int16_t>(std::clamp(s, -32768.0, 32767.0));
    }
};

}  // namespace kub::zveitest
