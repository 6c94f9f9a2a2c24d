#pragma once
// Delivery of alarm messages to their destinations, with nothing lost: each destination
// has an outbox on disk in the program folder ("Alarmierung-Ausgang/NAME/") and a thread
// of its own (alarm_worker.h). post() puts the message on disk and wakes that thread; it
// never waits for the network. What is still waiting when the monitor ends or crashes is
// delivered after the next start, each message with the same id on every try.

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "alarm/alarm_broker_link.h"
#include "alarm/alarm_delivery_limits.h"
#include "alarm/alarm_message.h"
#include "alarm/alarm_notices.h"
#include "common/clock.h"

namespace kub {

class AlarmWorker;

class AlarmDelivery final : public AlarmDispatch {
public:
    // `broker` (may be null: MQTT messages then wait) must outlive this object.
    AlarmDelivery(std::string programFolder, Clock& clock, AlarmBrokerLink* broker = nullptr,
                  AlarmDeliveryLimits limits = {});
    ~AlarmDelivery() override;
    AlarmDelivery(const AlarmDelivery&) = delete;
    AlarmDelivery& operator=(const AlarmDelivery&) = delete;

    // The destinations of the file as it now reads. New ones start (with what waited for
    // them on disk), changed ones take their new settings at the next try, dropped ones
    // stop; their outbox stays on disk for when they come back.
    void setTargets(std::vector<AlarmTarget> targets);

    void post(const AlarmMessage& message) override;
    std::vector<AlarmTargetState> states() const override;
    // German lines to show (red line, stderr), each trouble said once.
    std::vector<std::string> takeNotices() { return notices_.take(); }

private:
    std::shared_ptr<AlarmWorker> makeWorker(AlarmTarget target, bool sends);

    const std::string folder_;
    Clock& clock_;
    AlarmBrokerLink* broker_;
    const AlarmDeliveryLimits limits_;
    AlarmNotices notices_;

    // One post or change of destinations at a time: a destination's files are numbered
    // by one worker only.
    std::mutex postMutex_;
    mutable std::mutex mutex_;
    std::map<std::string, std::shared_ptr<AlarmWorker>> workers_;
    std::set<std::string> unknownSaid_;
};

}  // namespace kub
