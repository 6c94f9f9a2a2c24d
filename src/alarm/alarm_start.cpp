#include "alarm/alarm_start.h"

#include "alarm/alarm_delivery.h"
#include "core/reception_context.h"

namespace kub {

AlarmDeliveryParts makeAlarmDelivery(const std::string& programFolder, Clock& clock, AlarmBrokerLink* broker) {
    auto delivery = std::make_unique<AlarmDelivery>(programFolder, clock, broker);
    AlarmDelivery* d = delivery.get();
    return {std::move(delivery), [d](std::vector<AlarmTarget> targets) { d->setTargets(std::move(targets)); },
            [d] { return d->takeNotices(); }};
}

AlarmStart::AlarmStart(ReceptionContext& context, const std::string& programFolder, Clock& clock,
                       AlarmBrokerLink* broker, std::function<void(const std::string& line, bool fault)> say)
    : parts_(makeAlarmDelivery(programFolder, clock, broker)), say_(std::move(say)) {
    output_ = std::make_unique<AlarmRulesOutput>(programFolder, clock, *parts_.dispatch,
                                                 AlarmRulesOutput::Hooks{parts_.setTargets, say_});
    registration_ = context.addOutput(*output_);
}

AlarmStart::~AlarmStart() = default;

void AlarmStart::poll() {
    output_->poll();
    if (!parts_.takeNotices || !say_) return;
    for (const std::string& line : parts_.takeNotices()) say_(line, true);
}

}  // namespace kub
