#pragma once
// What the webhook and the mail sender share of libcurl: a handle with our time limits, a
// try that ends when delivery stops, the answer kept only up to a bound, and the reason
// of a failure in German.

#include <curl/curl.h>

#include <atomic>
#include <string>

#include "alarm/alarm_sender.h"

namespace kub {

class CurlTransfer {
public:
    CurlTransfer(const AlarmSendLimits& limits, const std::atomic<bool>& stop);
    ~CurlTransfer();
    CurlTransfer(const CurlTransfer&) = delete;
    CurlTransfer& operator=(const CurlTransfer&) = delete;

    CURL* handle() const { return curl_; }
    // Runs the transfer. CURLE_OK, or the failure; an answer cut at its bound is no failure.
    CURLcode perform();
    long responseCode() const;
    const std::string& answer() const { return answer_; }
    // "keine Verbindung zu …: <curl's reason>" and the like.
    std::string failure(CURLcode code) const;

private:
    static std::size_t keep(char* data, std::size_t size, std::size_t count, void* self);
    static int progress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);

    CURL* curl_ = nullptr;
    const std::atomic<bool>& stop_;
    std::size_t answerLimit_;
    std::string answer_;
    bool cut_ = false;
    char errorText_[CURL_ERROR_SIZE] = {};
};

}  // namespace kub
