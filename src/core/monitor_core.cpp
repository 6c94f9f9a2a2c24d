#include "core/monitor_core.h"

namespace kub {

MonitorCore::MonitorCore(Clock& clock, ReceptionWindow& window)
    : context(clock, window),
      fmsLeft(context, left.flags),
      zveiLeft(context, left.flags),
      pocsagLeft(context, left.flags),
      fmsRight(context, right.flags, 0x2545F491u),
      zveiRight(context, right.flags),
      pocsagRight(context, right.flags),
      dispatcher(left, right) {
    right.flags.channel = "right";
    left.fms = &fmsLeft;
    left.zvei = &zveiLeft;
    left.pocsag = &pocsagLeft;
    right.fms = &fmsRight;
    right.zvei = &zveiRight;
    right.pocsag = &pocsagRight;
    dispatcher.setWindow(&window);
    dispatcher.setAfterBlock([this] { context.incidents.tick(); });
}

MonitorCore::MonitorCore(Clock& clock, HeadlessWindow& window)
    : MonitorCore(clock, static_cast<ReceptionWindow&>(window)) {
    context.exportLines = &window;
}

void MonitorCore::enableAll(bool on) {
    const std::int16_t v = on ? 1 : 0;
    for (Channel* ch : {&left, &right}) {
        ch->switches.fmsEnabled = v;
        ch->switches.zveiEnabled = v;
        ch->switches.pocsagEnabled = v;
    }
}

void MonitorCore::applyDecoderSwitches(const Settings& s) {
    auto on = [](bool b) -> std::int16_t { return b ? 1 : 0; };
    left.switches = {on(s.fmsLeft), on(s.zveiLeft), on(s.pocsagLeft)};
    right.switches = {on(s.fmsRight), on(s.zveiRight), on(s.pocsagRight)};
    context.options = decoderOptions(s);
}

}  // namespace kub
