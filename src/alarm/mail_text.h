#pragma once
// An alarm as an Internet mail (RFC 5322): UTF-8 text in base64, the subject as encoded
// words, Date from when the record came, Message-ID from the message's id, so a mail
// system that got the first try drops the repeat. Nothing from a template reaches a
// header unchanged: CR and LF are gone before a header line is written.

#include <optional>
#include <string>
#include <vector>

#include "alarm/alarm_message.h"

namespace kub {

// "wache@example.org" as it may go into MAIL FROM, RCPT TO and a header: one "@", no
// blank, no angle bracket, no control character. Nothing otherwise.
std::optional<std::string> mailAddress(const std::string& text);

// The whole mail with CR LF line ends. `from` and `to` are checked addresses.
std::string mailText(const AlarmMessage& message, const std::string& from, const std::vector<std::string>& to,
                     double seconds);

}  // namespace kub
