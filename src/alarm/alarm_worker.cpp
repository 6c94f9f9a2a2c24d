#include "alarm/alarm_worker.h"

#include <algorithm>

namespace kub {

namespace {

std::string quoted(const std::string& name) { return "\"" + name + "\""; }

}  // namespace

AlarmWorker::AlarmWorker(const std::string& programFolder, AlarmTarget target, std::unique_ptr<AlarmSender> sender,
                         Clock& clock, const AlarmDeliveryLimits& limits, AlarmNotices& notices)
    : name_(target.name),
      kind_(target.kind),
      sender_(std::move(sender)),
      clock_(clock),
      limits_(limits),
      notices_(notices),
      outbox_(programFolder, target.name, limits.maxFailed),
      target_(std::move(target)),
      pause_(limits.firstPauseSeconds) {
    // What waited when the monitor last ended (or was killed) goes first, in its order.
    AlarmOutbox::Loaded loaded = outbox_.load();
    for (auto& line : loaded.notices) notices_.say(std::move(line));
    for (const auto& w : loaded.waiting) {
        waiting_.push_back({w.number, w.bytes, nullptr});
        waitingBytes_ += w.bytes;
    }
    failed_ = std::min(loaded.failed, limits_.maxFailed);
    nextNumber_ = loaded.next;
    if (!sender_) lastError_ = "Ziel nicht eingerichtet; Meldungen warten im Ausgang";
    if (!waiting_.empty() && sender_)
        notices_.say("Alarmierung: " + std::to_string(waiting_.size()) + " Meldungen an " + quoted(name_) +
                     " warten noch und werden jetzt zugestellt.");
    if (sender_) thread_ = std::thread([this] { run(); });
}

AlarmWorker::~AlarmWorker() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void AlarmWorker::drain(std::chrono::steady_clock::time_point deadline) {
    if (!sender_) return;
    std::unique_lock lock(mutex_);
    for (auto now = std::chrono::steady_clock::now(); !waiting_.empty() && now < deadline && nextTry_ <= now;
         now = std::chrono::steady_clock::now())
        wake_.wait_until(lock, std::min(deadline, now + std::chrono::milliseconds(50)));
}

void AlarmWorker::setTarget(AlarmTarget target) {
    {
        std::lock_guard lock(mutex_);
        target_ = std::move(target);
        nextTry_ = {};
        pause_ = limits_.firstPauseSeconds;
    }
    wake_.notify_all();
}

void AlarmWorker::post(const AlarmMessage& message, std::size_t bytes) {
    std::lock_guard postLock(postMutex_);
    std::uint64_t number = 0;
    {
        std::lock_guard lock(mutex_);
        number = nextNumber_++;
    }
    std::string error;
    const bool onDisk = outbox_.add(number, message, error);
    std::lock_guard lock(mutex_);
    if (!onDisk) {
        // Not lost for that: it waits in memory, and the user learns that a restart would
        // lose it now.
        lastError_ = "Ausgang nicht beschreibbar: " + error;
        if (!diskSaid_) {
            diskSaid_ = true;
            notices_.say("Alarmierung: Ausgang von " + quoted(name_) + " nicht beschreibbar (" + error +
                         "); Meldungen warten nur im Speicher.");
        }
    } else if (diskSaid_) {
        diskSaid_ = false;
        notices_.say("Alarmierung: Ausgang von " + quoted(name_) + " wieder beschreibbar.");
    }
    waiting_.push_back({number, bytes, onDisk ? nullptr : std::make_shared<const AlarmMessage>(message)});
    waitingBytes_ += bytes;
    while (waiting_.size() > 1 && (waiting_.size() > limits_.maxWaiting || waitingBytes_ > limits_.maxWaitingBytes)) {
        outbox_.remove(waiting_.front().number);
        waitingBytes_ -= waiting_.front().bytes;
        waiting_.pop_front();
        ++dropped_;
        if (!dropSaid_) {
            dropSaid_ = true;
            notices_.say("Alarmierung: an " + quoted(name_) + " warten mehr als " + std::to_string(limits_.maxWaiting) +
                         " Meldungen; die ältesten werden verworfen.");
        }
    }
    wake_.notify_all();
}

AlarmTargetState AlarmWorker::state() const {
    std::lock_guard lock(mutex_);
    return {name_, lastDelivery_, waiting_.size(), failed_, lastError_};
}

void AlarmWorker::popFirst(std::uint64_t number) {
    if (waiting_.empty() || waiting_.front().number != number) return;  // dropped meanwhile
    waitingBytes_ -= waiting_.front().bytes;
    waiting_.pop_front();
    if (waiting_.empty() && dropSaid_) {
        dropSaid_ = false;
        notices_.say("Alarmierung: Ausgang von " + quoted(name_) + " wieder leer; " + std::to_string(dropped_) +
                     " Meldungen wurden verworfen.");
        dropped_ = 0;
    }
}

void AlarmWorker::settle(const Waiting& head, const std::optional<AlarmMessage>& message,
                         const AlarmSendResult& result) {
    using Outcome = AlarmSendResult::Outcome;
    switch (result.outcome) {
        case Outcome::Delivered:
            outbox_.remove(head.number);
            popFirst(head.number);
            lastDelivery_ = clock_.nowSeconds();
            lastError_.clear();
            pause_ = limits_.firstPauseSeconds;
            if (troubleSaid_) {
                troubleSaid_ = false;
                notices_.say("Alarmierung: " + quoted(name_) + " wieder erreichbar, Meldungen werden zugestellt.");
            }
            return;
        case Outcome::Retry:
            lastError_ = result.error;
            nextTry_ = std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                               std::chrono::duration<double>(pause_));
            pause_ = std::min(pause_ * 2, limits_.longestPauseSeconds);
            if (!troubleSaid_) {
                troubleSaid_ = true;
                notices_.say("Alarmierung: Zustellung an " + quoted(name_) + " gescheitert: " + result.error +
                             "; neuer Versuch folgt, Meldungen warten.");
            }
            return;
        case Outcome::Refused:
            lastError_ = result.error;
            pause_ = limits_.firstPauseSeconds;
            if (message) {
                outbox_.refuse(head.number, *message, result.error, clock_.nowSeconds());
                failed_ = std::min(failed_ + 1, limits_.maxFailed);
                notices_.say("Alarmierung: " + quoted(name_) + " lehnt Meldung " + message->id + " ab: " +
                             result.error + "; sie steht in der Liste \"fehlgeschlagen\".");
            } else {
                outbox_.remove(head.number);
                notices_.say("Alarmierung: Meldung im Ausgang von " + quoted(name_) + " nicht lesbar: " + result.error);
            }
            popFirst(head.number);
            return;
    }
}

void AlarmWorker::run() {
    std::unique_lock lock(mutex_);
    while (!stop_) {
        if (waiting_.empty()) {
            wake_.wait(lock, [this] { return stop_ || !waiting_.empty(); });
            continue;
        }
        if (std::chrono::steady_clock::now() < nextTry_) {
            wake_.wait_until(lock, nextTry_);
            continue;
        }
        const Waiting head = waiting_.front();
        const AlarmTarget target = target_;
        lock.unlock();
        std::optional<AlarmMessage> message = head.held ? std::optional<AlarmMessage>(*head.held)
                                                        : outbox_.read(head.number);
        const AlarmSendResult result =
            message ? sender_->send(target, *message, stop_)
                    : AlarmSendResult{AlarmSendResult::Outcome::Refused, "Eintrag fehlt oder ist beschädigt"};
        lock.lock();
        // A try cut short by the end of delivery is no failure: it is made again next time.
        if (stop_ && result.outcome == AlarmSendResult::Outcome::Retry) break;
        // Dropped for newer ones while it was tried: its file is gone already.
        if (waiting_.empty() || waiting_.front().number != head.number) continue;
        settle(head, message, result);
    }
}

}  // namespace kub
