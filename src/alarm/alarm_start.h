#pragma once
// The alarm rules and their delivery as the programs (window, "kubmon run") start them:
// one object that makes the delivery, the rules output on top of it, and hands that
// output every reception until it goes.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "alarm/alarm_message.h"
#include "alarm/alarm_rules_output.h"
#include "common/clock.h"

namespace kub {

struct ReceptionContext;

// The delivery of the program folder and how it takes new destinations.
struct AlarmDeliveryParts {
    std::unique_ptr<AlarmDispatch> dispatch;
    std::function<void(std::vector<AlarmTarget>)> setTargets;
};

// The one place the delivery (outboxes, senders) is made. Empty while this build has
// none; the messages are then counted as failed, with the reason, and nothing is sent.
AlarmDeliveryParts makeAlarmDelivery(const std::string& programFolder, Clock& clock);

class AlarmStart {
public:
    // `say`: German lines for the red line or stderr (`fault` when something is wrong).
    AlarmStart(ReceptionContext& context, const std::string& programFolder, Clock& clock,
               std::function<void(const std::string& line, bool fault)> say);
    ~AlarmStart();
    AlarmStart(const AlarmStart&) = delete;
    AlarmStart& operator=(const AlarmStart&) = delete;

    AlarmRulesOutput& rules() { return *output_; }
    AlarmDispatch& dispatch() { return *parts_.dispatch; }

private:
    ReceptionContext& context_;
    AlarmDeliveryParts parts_;
    std::unique_ptr<AlarmRulesOutput> output_;
};

}  // namespace kub
