#include "core/monitor_core.h"

#include "core/handling/channel_handling.h"
#include "core/monitor_channel.h"

namespace kub {

namespace {

// Each channel's FMS dither runs its own sequence; the sound card's two keep theirs.
std::uint32_t fmsDitherSeed(std::size_t index) {
    constexpr std::uint32_t kSeeds[] = {FmsDecoder::kDitherSeed, 0x2545F491u};
    if (index < 2) return kSeeds[index];
    return static_cast<std::uint32_t>(0x9E3779B9u * (index + 1)) | 1u;
}

DecoderSwitches switchesOf(bool fms, bool zvei, bool pocsag) { return {fms, zvei, pocsag}; }

}  // namespace

MonitorCore::MonitorCore(Clock& clock, ReceptionWindow& window) : context(clock, window), dispatcher(*this) {
    addChannel("left");
    addChannel("right");
    dispatcher.setAfterBlock([this] { context.tick(); });
}

MonitorCore::MonitorCore(Clock& clock, HeadlessWindow& window)
    : MonitorCore(clock, static_cast<ReceptionWindow&>(window)) {
    context.exportLines = &window;
}

MonitorCore::~MonitorCore() = default;

std::size_t MonitorCore::addChannel(const std::string& name) {
    const std::size_t index = channels_.size();
    channels_.push_back(std::make_unique<MonitorChannel>(name, context.options, fmsDitherSeed(index)));
    return index;
}

MonitorChannel* MonitorCore::findChannel(std::string_view name) {
    for (auto& c : channels_)
        if (c->name() == name) return c.get();
    return nullptr;
}

void MonitorCore::feedChannel(std::size_t index, std::span<const std::int16_t> samples) {
    if (channel(index).feed(context, samples) > 0) context.tick();
}

void MonitorCore::takeStereoBlock(const SampleArray& leftSamples, const SampleArray& rightSamples,
                                  const MeterValues& m) {
    context.window.setMeters(m.meanLeft, m.peakLeft, m.meanRight, m.peakRight);
    left().processBlock(context, leftSamples);
    right().processBlock(context, rightSamples);
}

void MonitorCore::takeStereoBlock(const SampleArray& leftSamples, const ChannelEvents& rightDecoded,
                                  const MeterValues& m) {
    context.window.setMeters(m.meanLeft, m.peakLeft, m.meanRight, m.peakRight);
    left().processBlock(context, leftSamples);
    right().handle(context, rightDecoded);
}

void MonitorCore::enableAll(bool on) {
    for (auto& c : channels_) c->decoders().switchOn({on, on, on});
}

void MonitorCore::applyDecoderSwitches(const Settings& s) {
    left().decoders().switchOn(switchesOf(s.fmsLeft, s.zveiLeft, s.pocsagLeft));
    right().decoders().switchOn(switchesOf(s.fmsRight, s.zveiRight, s.pocsagRight));
    context.options = decoderOptions(s);
}

}  // namespace kub
