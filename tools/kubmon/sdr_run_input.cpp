#include "sdr_run_input.h"

#include <algorithm>
#include <complex>
#include <vector>

#include "core/sdr_core_feed.h"
#include "platform/sdr_replay.h"
#include "sdr/iq_reader.h"
#include "sdr/iq_source_open.h"
#include "sdr/sdr_channelizer.h"

namespace kubmon {

namespace {

// IQ that may wait for the decoding: seconds of input, and never more bytes than this.
constexpr double kQueueSeconds = 8;
constexpr double kMostQueueBytes = 64.0 * 1024 * 1024;

class Running final : public SdrRunInput {
public:
    // `format` is the source's: a device gives float pairs whatever the options say.
    Running(const kub::SdrOptions& sdr, kub::IqFormat format, kub::MonitorCore& core,
            std::function<void(const std::string&)> say)
        : feed_(core, sdr.channels), channelizer_({sdr.rate, sdr.centre, sdr.ppm, sdr.ppmAuto}, sdr.channels, feed_),
          reader_(format) {
        channelizer_.onNotice = std::move(say);
    }
    void run(std::unique_ptr<kub::IqSource> source, double rate, kub::StreamClock& clock, const kub::Clock& wall,
             std::function<void(const std::string&)> say, std::function<void()> finished) {
        const double bytes = std::min(kMostQueueBytes, rate * static_cast<double>(kub::iqPairBytes(source->format())) * kQueueSeconds);
        replay_ = std::make_unique<kub::SdrReplay>(
            std::move(source), rate, clock, wall,
            [this](std::span<const std::uint8_t> raw) {
                iq_.clear();
                reader_.push(raw.data(), raw.size(), iq_);
                channelizer_.push(iq_);
            },
            std::move(say), static_cast<std::size_t>(bytes));
        replay_->onFinished = [this, finished = std::move(finished)] {
            feed_.finish();
            finished();
        };
        replay_->start();
    }
    void stop() override { replay_->stop(); }

private:
    kub::SdrCoreFeed feed_;
    kub::SdrChannelizer channelizer_;
    kub::IqReader reader_;
    std::vector<std::complex<float>> iq_;
    std::unique_ptr<kub::SdrReplay> replay_;
};

}  // namespace

std::unique_ptr<SdrRunInput> SdrRunInput::start(const kub::SdrOptions& sdr, kub::MonitorCore& core,
                                                kub::StreamClock& clock, const kub::Clock& wall,
                                                std::function<void(const std::string&)> say,
                                                std::function<void()> finished, std::string& error) {
    const auto rate = static_cast<double>(sdr.rate);
    kub::IqSourceRequest request{sdr.source, sdr.format, rate, static_cast<double>(sdr.centre)};
    // The child's silence is measured on the wall clock: the reader thread has its own.
    auto source = kub::openIqSource(request, wall, say, error);
    if (!source) return nullptr;
    auto input = std::make_unique<Running>(sdr, source->format(), core, say);
    input->run(std::move(source), rate, clock, wall, std::move(say), std::move(finished));
    return input;
}

}  // namespace kubmon
