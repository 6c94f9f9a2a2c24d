// A recording decoded with its right channel on a second thread gives the receptions of
// one thread: the same, in the same order, at the same stream times; and a source that
// fails ends it with its failure rather than a hang.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "capture/file_source.h"
#include "capture/stereo_source.h"
#include "common/clock.h"
#include "core/headless_window.h"
#include "core/monitor_core.h"
#include "core/two_thread_feed.h"
#include "siggen/fms_signal.h"
#include "siggen/pocsag_signal.h"
#include "siggen/zvei_signal.h"

namespace kub {
namespace {

// Interleaved frames from memory; throws on the read that reaches `failAtFrame`.
class MemorySource final : public StereoSource {
public:
    explicit MemorySource(std::vector<std::int16_t> stereo, std::size_t failAtFrame = SIZE_MAX)
        : stereo_(std::move(stereo)), failAt_(failAtFrame) {}
    std::size_t read(std::int16_t* out, std::size_t frames) override {
        if (at_ + frames > failAt_) throw std::runtime_error("Lesefehler");
        const std::size_t n = std::min(frames, stereo_.size() / 2 - at_);
        std::copy_n(stereo_.begin() + static_cast<long>(2 * at_), 2 * n, out);
        at_ += n;
        return n;
    }

private:
    std::vector<std::int16_t> stereo_;
    std::size_t at_ = 0;
    std::size_t failAt_;
};

// Each channel's signals one after the other from `start` seconds on, both channels in one
// stereo recording.
std::vector<std::int16_t> stereo(const std::vector<std::pair<double, std::vector<float>>>& left,
                                 const std::vector<std::pair<double, std::vector<float>>>& right, double seconds) {
    std::vector<std::int16_t> out(2 * static_cast<std::size_t>(seconds * 22050), 0);
    auto place = [&out](const auto& signals, std::size_t side) {
        for (const auto& [start, s] : signals)
            for (std::size_t k = 0; k < s.size(); ++k) {
                const std::size_t at = 2 * (static_cast<std::size_t>(start * 22050) + k) + side;
                if (at < out.size()) out[at] = static_cast<std::int16_t>(std::lround(std::clamp(s[k], -1.0f, 1.0f) * 32767));
            }
    };
    place(left, 0);
    place(right, 1);
    return out;
}

struct Heard : ReceptionOutput {
    std::vector<std::string> lines;  // "seconds channel line"
    void deliver(const ReceptionRecord& r) override {
        lines.push_back(std::to_string(r.seconds) + " " + r.channel + " " + r.line);
    }
};

// Decodes `source` with every decoder on; `twoThreads` picks the feed.
std::vector<std::string> decode(StereoSource& source, bool twoThreads, FileDecodeResult& result) {
    StreamClock clock(1.8e9);
    HeadlessWindow window;
    MonitorCore core(clock, window);
    Heard heard;
    const OutputRegistration registered = core.context.addOutput(heard);
    core.enableAll(true);
    core.context.options = DecoderOptions::allOn();
    result = twoThreads ? feedStereoSourceOnTwoThreads(source, core, &clock) : feedStereoSource(source, core.dispatcher, &clock);
    core.context.flush();
    return heard.lines;
}

TEST(TwoThreadFeed, GivesTheReceptionsOfOneThreadInTheirOrderAndTimes) {
    using siggen::PocsagContent;
    // Receptions on both channels at once and one after the other, over many times the
    // blocks the reading thread may be ahead.
    const auto audio = stereo(
        {{0.5, siggen::fmsTelegramSignal({"62341110", 3, 0, 1, 0}, 0.4)},
         {2.0, siggen::pocsagSignal({{1234567, 3, PocsagContent::Alpha, "Brand Halle"}}, 1200, 0.4, false)},
         {6.0, siggen::zveiSequence("25431", 0.4)},
         {9.0, siggen::fmsTelegramSignal({"62341110", 4, 0, 1, 0}, 0.4)}},
        {{0.5, siggen::fmsTelegramSignal({"52341183", 7, 0, 2, 0}, 0.4)},
         {2.0, siggen::pocsagSignal({{1300200, 2, PocsagContent::Alpha, "Probealarm"}}, 2400, 0.4, false)},
         {6.5, siggen::zveiSequence("90817", 0.4)},
         {9.0, siggen::pocsagSignal({{1300100, 1, PocsagContent::Alpha, "Eins"}}, 512, 0.4, false)}},
        12.0);
    FileDecodeResult one, two;
    MemorySource first(audio), second(audio);
    const auto expected = decode(first, false, one);
    const auto got = decode(second, true, two);
    EXPECT_EQ(expected.size(), 12u);  // eight receptions, and the incidents of the pages and codes
    EXPECT_EQ(got, expected);
    EXPECT_TRUE(two.ok);
    EXPECT_EQ(two.frames, one.frames);
    EXPECT_EQ(two.frames, 12 * 22050);
}

TEST(TwoThreadFeed, ASourceThatFailsEndsItWithItsFailure) {
    FileDecodeResult result;
    MemorySource failing(std::vector<std::int16_t>(2 * 10 * 22050, 0), 5 * 22050);
    EXPECT_THROW(decode(failing, true, result), std::runtime_error);
    MemorySource empty({});
    EXPECT_TRUE(decode(empty, true, result).empty());
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.frames, 0);
}

}  // namespace
}  // namespace kub
