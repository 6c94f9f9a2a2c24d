#include "alarm/webhook_sender.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "alarm/curl_transfer.h"

namespace kub {

namespace {

bool tokenChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

struct HeaderList {
    curl_slist* list = nullptr;
    ~HeaderList() { curl_slist_free_all(list); }
    void add(const std::string& line) { list = curl_slist_append(list, line.c_str()); }
};

std::string shortAnswer(const std::string& answer) {
    std::string s = answer.substr(0, 200);
    std::replace_if(s.begin(), s.end(), [](char c) { return c == '\r' || c == '\n' || c == '\t'; }, ' ');
    return s.empty() ? s : ": " + s;
}

}  // namespace

std::optional<std::string> headerLine(const std::string& name, const std::string& value) {
    if (name.empty() || !std::all_of(name.begin(), name.end(), tokenChar)) return std::nullopt;
    std::string v = value;
    std::replace_if(v.begin(), v.end(), [](char c) { return c == '\r' || c == '\n' || c == '\0'; }, ' ');
    return name + ": " + v;
}

AlarmSendResult WebhookSender::send(const AlarmTarget& target, const AlarmMessage& message,
                                    const std::atomic<bool>& stop) {
    using Outcome = AlarmSendResult::Outcome;
    if (!target.url.starts_with("http://") && !target.url.starts_with("https://"))
        return {Outcome::Refused, "Adresse \"" + target.url + "\" beginnt nicht mit http:// oder https://"};
    std::string method = target.method.empty() ? "POST" : target.method;
    std::transform(method.begin(), method.end(), method.begin(), [](unsigned char c) { return std::toupper(c); });
    if (method.empty() || !std::all_of(method.begin(), method.end(), tokenChar))
        return {Outcome::Refused, "Methode \"" + target.method + "\" ist keine HTTP-Methode"};

    CurlTransfer t(limits_, stop);
    CURL* h = t.handle();
    if (!h) return {Outcome::Retry, "libcurl nicht bereit"};
    curl_easy_setopt(h, CURLOPT_URL, target.url.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    HeaderList headers;
    bool typed = false;
    for (const auto& [name, value] : message.headers) {
        if (const auto line = headerLine(name, value)) {
            headers.add(*line);
            typed = typed || sameName(name, "Content-Type");
        }
    }
    if (!typed) {
        const bool json = !message.body.empty() && (message.body.front() == '{' || message.body.front() == '[');
        headers.add(json ? "Content-Type: application/json" : "Content-Type: text/plain; charset=utf-8");
    }
    if (const auto key = headerLine("Idempotency-Key", message.id)) headers.add(*key);
    headers.add("Expect:");
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.list);
    if (method == "GET") {
        curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    } else {
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, message.body.data());
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(message.body.size()));
        if (method != "POST") curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, method.c_str());
    }

    const CURLcode rc = t.perform();
    const long code = t.responseCode();
    if (rc != CURLE_OK && code == 0) return {Outcome::Retry, t.failure(rc)};
    if (code >= 200 && code < 300) return {Outcome::Delivered, {}};
    const std::string answer = "HTTP " + std::to_string(code) + shortAnswer(t.answer());
    if (code == 408 || code == 429 || code >= 500 || code < 200) return {Outcome::Retry, answer};
    return {Outcome::Refused, answer + " (abgelehnt)"};
}

}  // namespace kub
