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

#include "common/clock.h"
#include "core/headless_window.h"
#include "core/monitor_core.h"
#include "siggen/stereo_track.h"
#include "support/run_process.h"

namespace kub::zveitest {

namespace fs = std::filesystem;

// A fresh folder per test, removed afterwards.
class ScratchFolder {
public:
    ScratchFolder() : path_(kubtest::makeTempDir("kub-zvei")) {}
    ~ScratchFolder() { kubtest::removeTree(path_.string()); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const fs::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

using kubtest::runProcess;
using kubtest::splitLines;

inline std::string quoted(const std::string& s) { return "'" + s + "'"; }

inline bool haveTool(const std::string& name) {
    return runProcess("command -v " + name + " >/dev/null && echo yes").out == "yes\n";
}

// kubmon gen [OPTIONS] OUT.wav ITEMS...; true when it succeeded.
inline bool kubmonGen(const std::string& args) {
    auto r = runProcess(std::string(KUBMON_EXE) + " gen " + args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r.exitCode == 0;
}

// kubmon decode [--folder DIR] FILE: the export lines it printed.
inline std::vector<std::string> kubmonDecode(const std::string& wav, const std::string& folder = {}) {
    std::string cmd = std::string(KUBMON_EXE) + " decode ";
    if (!folder.empty()) cmd += "--folder " + quoted(folder) + " ";
    auto r = runProcess(cmd + quoted(wav));
    EXPECT_EQ(r.exitCode, 0) << cmd << "\n" << r.err;
    return splitLines(r.out);
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
