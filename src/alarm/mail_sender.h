#pragma once
// Mail through the destination's SMTP server (smtp:// with STARTTLS where offered, or
// smtps://), signed in with `benutzer`/`passwort` when given. Accepted by the server is
// delivered; a sender or recipient address the server refuses (5xx) is a refusal for
// good; anything else (no connection, a dropped one, 4xx) is tried again.

#include "alarm/alarm_sender.h"

namespace kub {

class MailSender final : public AlarmSender {
public:
    explicit MailSender(AlarmSendLimits limits) : limits_(limits) {}
    AlarmSendResult send(const AlarmTarget& target, const AlarmMessage& message,
                         const std::atomic<bool>& stop) override;

private:
    AlarmSendLimits limits_;
};

}  // namespace kub
