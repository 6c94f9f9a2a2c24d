#pragma once
// The alarm rules and their delivery as the programs (window, "kubmon run") start them:
// one object that makes the delivery, the rules output on top of it, and hands that
// output every reception until it goes.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "alarm/alarm_broker_link.h"
#include "alarm/alarm_message.h"
#include "alarm/alarm_rules_output.h"
#include "common/clock.h"
#include "core/output_list.h"

namespace kub {

struct ReceptionContext;

// The delivery of the program folder and how it takes new destinations.
struct AlarmDeliveryParts {
    std::unique_ptr<AlarmDispatch> dispatch;
    std::function<void(std::vector<AlarmTarget>)> setTargets;
    // The delivery's German lines since the last call, each trouble once.
    std::function<std::vector<std::string>()> takeNotices;
};

// The one place the delivery (outboxes, senders) is made. `broker` (may be null: MQTT
// destinations then wait) must outlive it.
AlarmDeliveryParts makeAlarmDelivery(const std::string& programFolder, Clock& clock,
                                     AlarmBrokerLink* broker = nullptr);

class AlarmStart {
public:
    // `say`: German lines for the red line or stderr (`fault` when something is wrong).
    // `broker`: the monitor's MQTT link for MQTT destinations; must outlive this object.
    AlarmStart(ReceptionContext& context, const std::string& programFolder, Clock& clock, AlarmBrokerLink* broker,
               std::function<void(const std::string& line, bool fault)> say);
    ~AlarmStart();
    AlarmStart(const AlarmStart&) = delete;
    AlarmStart& operator=(const AlarmStart&) = delete;

    AlarmRulesOutput& rules() { return *output_; }
    AlarmDispatch& dispatch() { return *parts_.dispatch; }
    // Looks at the file again when it changed, and says what the delivery has to say.
    void poll();

private:
    AlarmDeliveryParts parts_;
    std::function<void(const std::string& line, bool fault)> say_;
    std::unique_ptr<AlarmRulesOutput> output_;
    OutputRegistration registration_;
};

}  // namespace kub
