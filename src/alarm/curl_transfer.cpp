#include "alarm/curl_transfer.h"

#include <algorithm>
#include <mutex>

namespace kub {

namespace {

long millis(double seconds) { return static_cast<long>(seconds * 1000); }

}  // namespace

CurlTransfer::CurlTransfer(const AlarmSendLimits& limits, const std::atomic<bool>& stop)
    : stop_(stop), answerLimit_(limits.answerBytes) {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    curl_ = curl_easy_init();
    if (!curl_) return;
    // No signals: the handle lives on a worker thread of a program with its own handlers.
    curl_easy_setopt(curl_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl_, CURLOPT_CONNECTTIMEOUT_MS, millis(limits.connectSeconds));
    curl_easy_setopt(curl_, CURLOPT_TIMEOUT_MS, millis(limits.totalSeconds));
    curl_easy_setopt(curl_, CURLOPT_ERRORBUFFER, errorText_);
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &CurlTransfer::keep);
    curl_easy_setopt(curl_, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(curl_, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl_, CURLOPT_XFERINFOFUNCTION, &CurlTransfer::progress);
    curl_easy_setopt(curl_, CURLOPT_XFERINFODATA, this);
}

CurlTransfer::~CurlTransfer() {
    if (curl_) curl_easy_cleanup(curl_);
}

std::size_t CurlTransfer::keep(char* data, std::size_t size, std::size_t count, void* self) {
    auto* t = static_cast<CurlTransfer*>(self);
    const std::size_t bytes = size * count;
    // Nobody reads a 10 MB answer to an alarm: the start is kept for the error line and
    // the transfer ends there; the status line has come before it.
    const std::size_t room = t->answerLimit_ - std::min(t->answerLimit_, t->answer_.size());
    t->answer_.append(data, std::min(room, bytes));
    if (bytes > room) {
        t->cut_ = true;
        return 0;
    }
    return bytes;
}

int CurlTransfer::progress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<CurlTransfer*>(self)->stop_.load() ? 1 : 0;
}

CURLcode CurlTransfer::perform() {
    if (!curl_) return CURLE_FAILED_INIT;
    const CURLcode rc = curl_easy_perform(curl_);
    return rc == CURLE_WRITE_ERROR && cut_ ? CURLE_OK : rc;
}

long CurlTransfer::responseCode() const {
    long code = 0;
    if (curl_) curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &code);
    return code;
}

std::string CurlTransfer::failure(CURLcode code) const {
    std::string why = errorText_[0] ? std::string(errorText_) : std::string(curl_easy_strerror(code));
    switch (code) {
        case CURLE_COULDNT_CONNECT:
        case CURLE_COULDNT_RESOLVE_HOST:
            return "keine Verbindung (" + why + ")";
        case CURLE_OPERATION_TIMEDOUT:
            return "keine Antwort in der Zeit (" + why + ")";
        case CURLE_ABORTED_BY_CALLBACK:
            return "abgebrochen beim Beenden";
        default:
            return "Übertragung gescheitert (" + why + ")";
    }
}

}  // namespace kub
