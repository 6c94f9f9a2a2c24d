#include "alarm/alarm_delivery.h"

#include <chrono>

#include "alarm/alarm_entry.h"
#include "alarm/alarm_worker.h"
#include "alarm/broker_sender.h"
#include "alarm/mail_sender.h"
#include "alarm/program_sender.h"
#include "alarm/webhook_sender.h"

namespace kub {

namespace {

std::unique_ptr<AlarmSender> senderFor(AlarmTargetKind kind, const AlarmDeliveryLimits& limits,
                                       AlarmBrokerLink* broker) {
    switch (kind) {
        case AlarmTargetKind::Webhook:
            return std::make_unique<WebhookSender>(limits.send);
        case AlarmTargetKind::Mail:
            return std::make_unique<MailSender>(limits.send);
        case AlarmTargetKind::Mqtt:
            return std::make_unique<BrokerSender>(broker, limits.brokerAckSeconds);
        case AlarmTargetKind::Program:
            return std::make_unique<ProgramSender>(limits.send);
    }
    return nullptr;
}

// What a message weighs before it is written out: enough to refuse a huge one without
// first making a copy of it.
std::size_t rawBytes(const AlarmMessage& m) {
    std::size_t n = m.id.size() + m.target.size() + m.body.size() + m.subject.size();
    for (const auto& [name, value] : m.headers) n += name.size() + value.size();
    for (const auto& a : m.arguments) n += a.size();
    return n;
}

}  // namespace

AlarmDelivery::AlarmDelivery(std::string programFolder, Clock& clock, AlarmBrokerLink* broker,
                             AlarmDeliveryLimits limits)
    : folder_(std::move(programFolder)), clock_(clock), broker_(broker), limits_(limits) {}

namespace {
constexpr int kDrainSeconds = 5;
}  // namespace

AlarmDelivery::~AlarmDelivery() {
    std::map<std::string, std::shared_ptr<AlarmWorker>> workers;
    {
        std::lock_guard lock(mutex_);
        workers.swap(workers_);
    }
    // What came just before the end (an incident the stop closed) still goes out to a
    // destination that answers now, all of them within one short wait.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kDrainSeconds);
    for (auto& [name, worker] : workers) worker->drain(deadline);
    workers.clear();  // each joins its thread
}

std::shared_ptr<AlarmWorker> AlarmDelivery::makeWorker(AlarmTarget target, bool sends) {
    auto sender = sends ? senderFor(target.kind, limits_, broker_) : nullptr;
    return std::make_shared<AlarmWorker>(folder_, std::move(target), std::move(sender), clock_, limits_, notices_);
}

void AlarmDelivery::setTargets(std::vector<AlarmTarget> targets) {
    std::vector<std::shared_ptr<AlarmWorker>> ending;  // joined outside the lock
    std::lock_guard postLock(postMutex_);
    std::lock_guard lock(mutex_);
    std::map<std::string, std::shared_ptr<AlarmWorker>> next;
    for (auto& t : targets) {
        if (next.count(t.name)) continue;
        auto it = workers_.find(t.name);
        if (it != workers_.end() && it->second->sends() && it->second->kind() == t.kind) {
            it->second->setTarget(t);
            next.emplace(t.name, std::move(it->second));
            workers_.erase(it);
            continue;
        }
        if (it != workers_.end()) {
            // A worker reads the outbox when it starts: the old one goes first.
            ending.push_back(std::move(it->second));
            workers_.erase(it);
            ending.back().reset();
        }
        const std::string name = t.name;
        next.emplace(name, makeWorker(std::move(t), true));
        unknownSaid_.erase(name);
    }
    for (auto& [name, worker] : workers_) ending.push_back(std::move(worker));
    workers_.swap(next);
}

void AlarmDelivery::post(const AlarmMessage& message) {
    const std::size_t raw = rawBytes(message);
    const std::size_t bytes = raw > limits_.maxMessageBytes ? raw : alarmEntryBytes(message);
    if (bytes > limits_.maxMessageBytes) {
        notices_.say("Alarmierung: Meldung " + message.id.substr(0, 100) + " an \"" + message.target + "\" ist mit " +
                     std::to_string(bytes) + " Bytes größer als " + std::to_string(limits_.maxMessageBytes) +
                     " Bytes und wird nicht zugestellt.");
        return;
    }
    std::lock_guard postLock(postMutex_);
    std::shared_ptr<AlarmWorker> worker;
    {
        std::lock_guard lock(mutex_);
        auto it = workers_.find(message.target);
        if (it == workers_.end()) {
            // Not lost: it waits on disk until the destination is there again.
            AlarmTarget parked;
            parked.name = message.target;
            it = workers_.emplace(message.target, makeWorker(parked, false)).first;
        }
        if (!it->second->sends() && unknownSaid_.insert(message.target).second)
            notices_.say("Alarmierung: Ziel \"" + message.target +
                         "\" ist nicht eingerichtet; seine Meldungen warten im Ausgang.");
        worker = it->second;
    }
    worker->post(message, bytes);
}

std::vector<AlarmTargetState> AlarmDelivery::states() const {
    std::vector<std::shared_ptr<AlarmWorker>> workers;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [name, w] : workers_) workers.push_back(w);
    }
    std::vector<AlarmTargetState> out;
    for (const auto& w : workers) out.push_back(w->state());
    return out;
}

}  // namespace kub
