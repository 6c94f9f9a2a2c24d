#pragma once
// The whole monitor without a window, fed mono audio on the left channel block by block
// as the capture device delivers it: all three decoders of that channel take their turns
// through the real block dispatch, so one decoder's busy flags hold the others back as
// in the program.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "common/clock.h"
#include "core/headless_window.h"
#include "core/monitor_channel.h"
#include "core/monitor_core.h"

namespace kub::test {

class MonitorFeed {
public:
    explicit MonitorFeed(const DecoderOptions& options) : clock_(1.8e9), core_(clock_, window_) {
        core_.left().decoders().switchOn({true, true, true});
        core_.context.options = options;
    }
    MonitorFeed(const MonitorFeed&) = delete;
    MonitorFeed& operator=(const MonitorFeed&) = delete;

    // Full scale 1.0 is 32767; louder samples clip as a sound card would. Ends with a
    // second of silence, so that whatever is under way is finished.
    void feed(const std::vector<float>& mono) {
        for (float v : mono) {
            const double s = std::clamp(std::nearbyint(static_cast<double>(v) * 32767.0), -32768.0, 32767.0);
            pending_.push_back(static_cast<std::int16_t>(s));
            if (pending_.size() == static_cast<std::size_t>(kBlockFrames)) flush();
        }
        pending_.resize(pending_.size() + 22050, 0);
        while (pending_.size() >= static_cast<std::size_t>(kBlockFrames)) flush();
        pending_.clear();
    }

    const std::vector<std::string>& lines() const { return window_.receptionLines; }
    // List1 lines holding "Tonruf I " (or "Tonruf II ").
    int toneCalls(const std::string& which) const {
        int n = 0;
        for (const auto& l : window_.alerts(AlertList::List1).lines) n += l.find(which + " ") != std::string::npos;
        return n;
    }

private:
    void flush() {
        auto& block = core_.dispatcher.captureBuffers[static_cast<std::size_t>(core_.dispatcher.currentBuffer())];
        for (std::size_t k = 0; k < static_cast<std::size_t>(kBlockFrames); ++k) {
            block[2 * k] = pending_[k];
            block[2 * k + 1] = 0;
        }
        pending_.erase(pending_.begin(), pending_.begin() + kBlockFrames);
        clock_.advanceFrames(kBlockFrames);
        core_.dispatcher.processCaptureBuffer();
    }
    StreamClock clock_;
    HeadlessWindow window_;
    MonitorCore core_;
    std::vector<std::int16_t> pending_;
};

}  // namespace kub::test
