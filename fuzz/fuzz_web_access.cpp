// What a browser sends the live web board and we read ourselves: the query string and the
// Cookie header of a request (the access key), a viewer's message on its live connection,
// the Origin and Host headers of a live connection, and "Web.ini". The input is cut at its first two newlines into key, query and cookie.

#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "storage/station_names.h"
#include "storage/web_settings.h"
#include "web/web_access.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    const std::size_t a = all.find('\n');
    const std::size_t b = a == std::string_view::npos ? a : all.find('\n', a + 1);
    const std::string key(all.substr(0, a));
    const std::string_view query = a == std::string_view::npos ? std::string_view() : all.substr(a + 1, b - a - 1);
    const std::string_view cookie = b == std::string_view::npos ? std::string_view() : all.substr(b + 1);

    const kub::WebAccess access = kub::webAccess(key, query, cookie);
    if (key.empty() && access != kub::WebAccess::Granted) std::abort();
    // Nobody gets in without bringing the key itself, in the cookie or in the address.
    if (!key.empty() && access == kub::WebAccess::Granted && kub::cookieValue(cookie, kub::kWebKeyCookie) != key)
        std::abort();
    if (access == kub::WebAccess::GrantedByQuery && kub::queryValue(query, "key") != key) std::abort();

    // Query and cookie stand in for an Origin and a Host header here.
    if (kub::sameOrigin(query, cookie) && !query.empty() && query.size() <= cookie.size()) std::abort();
    if (kub::loopbackHost(all) && all.find_first_of(" /@") != std::string_view::npos) std::abort();

    if (const auto station = kub::viewerStation(all); station && (*station < 0 || *station >= kub::kStationCount))
        std::abort();

    const kub::WebSettings parsed = kub::parseWebSettings(std::string(all));
    if (parsed.port < 0 || parsed.port > 65535) std::abort();
    if (parsed.address.find('\n') == std::string::npos && parsed.key.find('\n') == std::string::npos &&
        (parsed.address.empty() || parsed.address.back() != '\r') && (parsed.key.empty() || parsed.key.back() != '\r')) {
        const std::string& folder = kubfuzz::programFolder();
        if (!kub::saveWebSettings(folder, parsed)) std::abort();
        if (!(kub::loadWebSettings(folder) == parsed)) std::abort();
    }
    return 0;
}
