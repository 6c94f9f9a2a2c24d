#pragma once
// Everything the monitor decodes with, without a window: its channels, each with a name,
// its decoders and the reception handling's memory of it, and the block dispatch of the
// sound card, whose two channels are "left" and "right". The main window and the headless
// tool each own one and feed it capture blocks; a receiver with more channels adds them by
// name and feeds each its mono samples.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "capture/block_dispatcher.h"
#include "core/reception_context.h"
#include "storage/settings.h"

namespace kub {

// core/monitor_channel.h: its decoders and their switches. Only declared here, so that
// whoever merely feeds the core does not depend on the decoders' insides.
class MonitorChannel;
// core/handling/channel_handling.h: what a channel's decoders decoded.
struct ChannelEvents;

class MonitorCore final : public StereoBlockSink {
public:
    MonitorCore(Clock& clock, ReceptionWindow& window);
    // The headless window also records the export lines.
    MonitorCore(Clock& clock, HeadlessWindow& window);
    ~MonitorCore() override;
    MonitorCore(const MonitorCore&) = delete;
    MonitorCore& operator=(const MonitorCore&) = delete;

    ReceptionContext context;
    BlockDispatcher dispatcher;

    // A new channel named `name`, all its decoders off; returns its index. Names are the
    // caller's to keep apart: the records carry them as given.
    std::size_t addChannel(const std::string& name);
    std::size_t channelCount() const { return channels_.size(); }
    MonitorChannel& channel(std::size_t index) { return *channels_[index]; }
    // The channel of that name; none: nullptr.
    MonitorChannel* findChannel(std::string_view name);
    // The sound card's two channels, always channels 0 and 1.
    MonitorChannel& left() { return *channels_[0]; }
    MonitorChannel& right() { return *channels_[1]; }

    // Mono samples of channel `index`, any count, decoded and handled block by block, as
    // the sound card's are; whatever does not fill a block waits for the next call.
    void feedChannel(std::size_t index, std::span<const std::int16_t> samples);

    // Switches every decoder of every channel on or off at once.
    void enableAll(bool on);
    // The six decoder switches of "Mon.ini" (only the value 1 means on) and the
    // decoding improvements.
    void applyDecoderSwitches(const Settings& settings);

    // The sound card's block: meters to the window, then left and right.
    void takeStereoBlock(const SampleArray& left, const SampleArray& right, const MeterValues& meters) override;
    // The same, its right channel already decoded (on another thread): what that decoded
    // is handled after the left channel, as above.
    void takeStereoBlock(const SampleArray& left, const ChannelEvents& rightDecoded, const MeterValues& meters);

private:
    std::vector<std::unique_ptr<MonitorChannel>> channels_;
};

}  // namespace kub
