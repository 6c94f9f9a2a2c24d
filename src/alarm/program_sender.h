#pragma once
// A program started per message (`pfad` with the rendered `argumente`), without a shell:
// no argument is ever read as a command. Started is delivered. The worker does not wait
// for the program to end; finished ones are reaped on the next try or when delivery ends,
// and at most a few run at once per destination, so a program that never ends cannot
// fill the process table. A path that is missing or not executable is a refusal for good.
// The program finds the message's id in KUB_ALARM_ID.

#include <sys/types.h>

#include <vector>

#include "alarm/alarm_sender.h"

namespace kub {

class ProgramSender final : public AlarmSender {
public:
    explicit ProgramSender(AlarmSendLimits limits) : limits_(limits) {}
    ~ProgramSender() override;
    AlarmSendResult send(const AlarmTarget& target, const AlarmMessage& message,
                         const std::atomic<bool>& stop) override;

private:
    void reap();

    AlarmSendLimits limits_;
    std::vector<pid_t> running_;
};

}  // namespace kub
