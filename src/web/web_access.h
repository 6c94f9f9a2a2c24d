#pragma once
// Who may see the live web board. On a loopback address anyone on this machine may; on
// any other address only a browser that brings the access key, once in the address
// (?key=…) and from then on in a cookie. The checks work on the raw request texts.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace kub {

// The cookie that carries the key after the first load.
constexpr std::string_view kWebKeyCookie = "kub_schluessel";

// Empty when the key may be used; otherwise why not, in German. A key is 8 to 128
// characters of letters, digits and "-._~", so it travels in an address unchanged.
std::string webKeyProblem(const std::string& key);

// Empty when a server may listen on this address with this key; otherwise the German
// reason it must not (another address than loopback without a key, or a bad key).
std::string webListenRefusal(const std::string& address, bool loopback, const std::string& key);

// The value of `name` in a query string ("a=1&key=…"), percent-decoded; none when absent.
std::optional<std::string> queryValue(std::string_view query, std::string_view name);
// The query string without its `name` pairs, the others unchanged and in order (the
// key leaves the address, the page's own settings stay in it).
std::string queryWithout(std::string_view query, std::string_view name);
// The value of cookie `name` in a Cookie header ("a=1; kub_schluessel=…").
std::optional<std::string> cookieValue(std::string_view cookieHeader, std::string_view name);

enum class WebAccess {
    Granted,          // no key needed, or the cookie holds it
    GrantedByQuery,   // the address holds it: set the cookie
    Denied,           // 401
};

// The verdict for one request: `key` empty means none is needed.
WebAccess webAccess(const std::string& key, std::string_view query, std::string_view cookieHeader);

// The request brings a key at all (cookie or address), right or wrong.
bool webKeyOffered(std::string_view query, std::string_view cookieHeader);

// Wrong keys are slowed down per address: at most kTries in any second, so a key of our
// length cannot be guessed, while a typing mistake costs nothing. Memory is bounded
// however many addresses try: the one that has been quiet longest is forgotten first.
class WrongKeyThrottle {
public:
    static constexpr int kTries = 10;
    static constexpr std::size_t kAddresses = 4096;

    // May a request from `address` be checked at `nowMs` (any steady milliseconds)?
    bool allows(const std::string& address, std::int64_t nowMs) const;
    // A wrong key came from `address`.
    void wrong(const std::string& address, std::int64_t nowMs);

private:
    struct Tries {
        std::int64_t times[kTries] = {};  // the last ones, oldest first once full
        int count = 0;
        std::int64_t last = 0;
    };
    std::unordered_map<std::string, Tries> tries_;
};

// A live connection opened by a page of another site (its Origin header names another
// host than the request's Host header) is refused: without this, any web page open in a
// browser of this machine could read the receptions. No Origin (not a browser): allowed.
bool sameOrigin(std::string_view origin, std::string_view host);
// The Host header names this machine's loopback ("localhost", "127.…", "[::1]", with or
// without port). Without a key the board answers only such requests, so a name of another
// site that merely resolves to 127.0.0.1 gets nothing.
bool loopbackHost(std::string_view host);

// A viewer's message on its live connection: the station it wants to see ("station 3",
// 0..29). Anything else is none.
std::optional<int> viewerStation(std::string_view message);

}  // namespace kub
