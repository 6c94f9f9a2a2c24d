#pragma once
// A webhook: one HTTP request per message (`url`, `methode`, the headers and the body the
// rules rendered). 2xx is delivered; 408, 429 and 5xx are tried again; any other answer
// is a refusal for good. The message's id goes along as "Idempotency-Key" on every try.

#include <optional>
#include <string>

#include "alarm/alarm_sender.h"

namespace kub {

class WebhookSender final : public AlarmSender {
public:
    explicit WebhookSender(AlarmSendLimits limits) : limits_(limits) {}
    AlarmSendResult send(const AlarmTarget& target, const AlarmMessage& message,
                         const std::atomic<bool>& stop) override;

private:
    AlarmSendLimits limits_;
};

// A header line that cannot break the request: a name of token characters, a value
// without CR, LF or NUL. Nothing for a header that is not one.
std::optional<std::string> headerLine(const std::string& name, const std::string& value);

}  // namespace kub
