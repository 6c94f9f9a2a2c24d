#include "alarm/alarm_start.h"

#include <algorithm>
#include <map>

#include "core/reception_context.h"

namespace kub {

namespace {

// Stands in for the delivery while a build has none: every message is counted as
// refused with the reason, so the window and "kubmon regeln test" say it plainly.
class NoDelivery final : public AlarmDispatch {
public:
    void post(const AlarmMessage& message) override {
        AlarmTargetState& s = states_[message.target];
        s.name = message.target;
        ++s.failed;
        s.lastError = "Zustellung ist in diesem Programm nicht eingebaut.";
    }
    std::vector<AlarmTargetState> states() const override {
        std::vector<AlarmTargetState> out;
        for (const auto& [name, state] : states_) out.push_back(state);
        return out;
    }

private:
    // One entry per destination name of the file (at most a few hundred).
    std::map<std::string, AlarmTargetState> states_;
};

}  // namespace

AlarmDeliveryParts makeAlarmDelivery(const std::string& /*programFolder*/, Clock& /*clock*/) {
    // Here the delivery is made once it is part of the build:
    //   auto d = std::make_unique<AlarmDelivery>(programFolder, clock, ...);
    //   AlarmDelivery* p = d.get();
    //   return {std::move(d), [p](std::vector<AlarmTarget> t) { p->setTargets(std::move(t)); }};
    return {};
}

AlarmStart::AlarmStart(ReceptionContext& context, const std::string& programFolder, Clock& clock,
                       std::function<void(const std::string& line, bool fault)> say)
    : context_(context), parts_(makeAlarmDelivery(programFolder, clock)) {
    if (!parts_.dispatch) parts_.dispatch = std::make_unique<NoDelivery>();
    output_ = std::make_unique<AlarmRulesOutput>(programFolder, clock, *parts_.dispatch,
                                                 AlarmRulesOutput::Hooks{parts_.setTargets, std::move(say)});
    context_.outputs.push_back(output_.get());
}

AlarmStart::~AlarmStart() { std::erase(context_.outputs, output_.get()); }

}  // namespace kub
