#include "alarm/mail_sender.h"

#include <cstring>

#include "alarm/curl_transfer.h"
#include "alarm/mail_text.h"

namespace kub {

namespace {

struct Upload {
    const std::string& bytes;
    std::size_t at = 0;
};

std::size_t feed(char* buffer, std::size_t size, std::size_t count, void* self) {
    auto* u = static_cast<Upload*>(self);
    const std::size_t n = std::min(size * count, u->bytes.size() - u->at);
    std::memcpy(buffer, u->bytes.data() + u->at, n);
    u->at += n;
    return n;
}

struct Recipients {
    curl_slist* list = nullptr;
    ~Recipients() { curl_slist_free_all(list); }
};

}  // namespace

AlarmSendResult MailSender::send(const AlarmTarget& target, const AlarmMessage& message,
                                 const std::atomic<bool>& stop) {
    using Outcome = AlarmSendResult::Outcome;
    if (!target.server.starts_with("smtp://") && !target.server.starts_with("smtps://"))
        return {Outcome::Refused, "Server \"" + target.server + "\" beginnt nicht mit smtp:// oder smtps://"};
    const auto from = mailAddress(target.from);
    if (!from) return {Outcome::Refused, "Absender \"" + target.from + "\" ist keine Mailadresse"};
    Recipients rcpt;
    std::vector<std::string> to;
    for (const auto& a : target.to) {
        const auto address = mailAddress(a);
        if (!address) return {Outcome::Refused, "Empfänger \"" + a + "\" ist keine Mailadresse"};
        to.push_back(*address);
        rcpt.list = curl_slist_append(rcpt.list, ("<" + *address + ">").c_str());
    }
    if (to.empty()) return {Outcome::Refused, "kein Empfänger (an)"};

    const std::string mail = mailText(message, *from, to, message.seconds);
    Upload upload{mail};
    CurlTransfer t(limits_, stop);
    CURL* h = t.handle();
    if (!h) return {Outcome::Retry, "libcurl nicht bereit"};
    curl_easy_setopt(h, CURLOPT_URL, target.server.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    if (target.server.starts_with("smtp://")) curl_easy_setopt(h, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
    if (!target.user.empty()) {
        curl_easy_setopt(h, CURLOPT_USERNAME, target.user.c_str());
        curl_easy_setopt(h, CURLOPT_PASSWORD, target.password.c_str());
    }
    curl_easy_setopt(h, CURLOPT_MAIL_FROM, ("<" + *from + ">").c_str());
    curl_easy_setopt(h, CURLOPT_MAIL_RCPT, rcpt.list);
    curl_easy_setopt(h, CURLOPT_READFUNCTION, &feed);
    curl_easy_setopt(h, CURLOPT_READDATA, &upload);
    curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(mail.size()));

    const CURLcode rc = t.perform();
    if (rc == CURLE_OK) return {Outcome::Delivered, {}};
    const long code = t.responseCode();
    const std::string why = t.failure(rc);
    // 5xx to MAIL FROM or RCPT TO: this address will not be taken, however often we ask.
    const bool addressRefused = code >= 500 && code < 600 &&
                                (why.find("RCPT") != std::string::npos || why.find("MAIL") != std::string::npos);
    if (addressRefused) return {Outcome::Refused, "Mailadresse abgelehnt (" + why + ")"};
    if (rc == CURLE_LOGIN_DENIED) return {Outcome::Retry, "Anmeldung am Mailserver abgelehnt (" + why + ")"};
    return {Outcome::Retry, why};
}

}  // namespace kub
