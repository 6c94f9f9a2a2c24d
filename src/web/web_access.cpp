#include "web/web_access.h"

#include <cctype>

#include "storage/station_names.h"

namespace kub {

namespace {

constexpr std::size_t kMinKey = 8;
constexpr std::size_t kMaxKey = 128;

bool keyCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_' || c == '~';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string percentDecoded(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && i + 2 < text.size()) {
            const int hi = hexValue(text[i + 1]), lo = hexValue(text[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out.push_back(static_cast<char>(hi * 16 + lo));
                i += 2;
                continue;
            }
        }
        out.push_back(c == '+' ? ' ' : c);
    }
    return out;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// Takes as long for a wrong key as for a right one of the same length.
bool sameKey(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    unsigned char diff = 0;
    for (std::size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

}  // namespace

std::string webKeyProblem(const std::string& key) {
    if (key.size() < kMinKey || key.size() > kMaxKey)
        return "Der Zugangsschlüssel muss 8 bis 128 Zeichen lang sein.";
    for (char c : key)
        if (!keyCharacter(c))
            return "Der Zugangsschlüssel darf nur Buchstaben (A-Z, a-z), Ziffern und - . _ ~ enthalten.";
    return {};
}

std::string webListenRefusal(const std::string& address, bool loopback, const std::string& key) {
    if (key.empty()) {
        if (loopback) return {};
        return "Web-Ansicht nicht gestartet: auf der Adresse " + address +
               " (nicht nur dieser Rechner) wird nur mit Zugangsschlüssel geantwortet.";
    }
    const std::string problem = webKeyProblem(key);
    if (!problem.empty()) return "Web-Ansicht nicht gestartet: " + problem;
    return {};
}

std::optional<std::string> queryValue(std::string_view query, std::string_view name) {
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        const std::size_t eq = pair.find('=');
        if (percentDecoded(pair.substr(0, eq)) == name)
            return eq == std::string_view::npos ? std::string() : percentDecoded(pair.substr(eq + 1));
        if (amp == std::string_view::npos) break;
        query.remove_prefix(amp + 1);
    }
    return std::nullopt;
}

std::string queryWithout(std::string_view query, std::string_view name) {
    std::string kept;
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        if (!pair.empty() && percentDecoded(pair.substr(0, pair.find('='))) != name) {
            if (!kept.empty()) kept += '&';
            kept += pair;
        }
        if (amp == std::string_view::npos) break;
        query.remove_prefix(amp + 1);
    }
    return kept;
}

std::optional<std::string> cookieValue(std::string_view header, std::string_view name) {
    while (!header.empty()) {
        const std::size_t semi = header.find(';');
        const std::string_view pair = header.substr(0, semi);
        const std::size_t eq = pair.find('=');
        if (eq != std::string_view::npos && trimmed(pair.substr(0, eq)) == name) {
            std::string_view value = trimmed(pair.substr(eq + 1));
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            return std::string(value);
        }
        if (semi == std::string_view::npos) break;
        header.remove_prefix(semi + 1);
    }
    return std::nullopt;
}

WebAccess webAccess(const std::string& key, std::string_view query, std::string_view cookieHeader) {
    if (key.empty()) return WebAccess::Granted;
    if (const auto c = cookieValue(cookieHeader, kWebKeyCookie); c && sameKey(*c, key)) return WebAccess::Granted;
    if (const auto q = queryValue(query, "key"); q && sameKey(*q, key)) return WebAccess::GrantedByQuery;
    return WebAccess::Denied;
}

bool webKeyOffered(std::string_view query, std::string_view cookieHeader) {
    return cookieValue(cookieHeader, kWebKeyCookie).has_value() || queryValue(query, "key").has_value();
}

bool WrongKeyThrottle::allows(const std::string& address, std::int64_t nowMs) const {
    const auto it = tries_.find(address);
    if (it == tries_.end() || it->second.count < kTries) return true;
    // Ten already: the oldest of them must be a second old.
    return nowMs - it->second.times[0] >= 1000;
}

void WrongKeyThrottle::wrong(const std::string& address, std::int64_t nowMs) {
    if (tries_.size() >= kAddresses && !tries_.count(address)) {
        auto quietest = tries_.begin();
        for (auto it = tries_.begin(); it != tries_.end(); ++it)
            if (it->second.last < quietest->second.last) quietest = it;
        tries_.erase(quietest);
    }
    Tries& t = tries_[address];
    if (t.count == kTries) {
        for (int i = 1; i < kTries; ++i) t.times[i - 1] = t.times[i];
        t.times[kTries - 1] = nowMs;
    } else {
        t.times[t.count++] = nowMs;
    }
    t.last = nowMs;
}

namespace {

bool sameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

}  // namespace

bool sameOrigin(std::string_view origin, std::string_view host) {
    if (origin.empty()) return true;
    for (std::string_view scheme : {std::string_view("http://"), std::string_view("https://")}) {
        if (origin.size() > scheme.size() && sameText(origin.substr(0, scheme.size()), scheme))
            return sameText(origin.substr(scheme.size()), host);
    }
    return false;
}

bool loopbackHost(std::string_view host) {
    std::string_view name = host;
    if (!name.empty() && name.front() == '[') {
        const std::size_t close = name.find(']');
        if (close == std::string_view::npos) return false;
        const std::string_view rest = name.substr(close + 1);
        if (!rest.empty() && (rest.front() != ':' || rest.find_first_not_of("0123456789", 1) != std::string_view::npos))
            return false;
        return name.substr(1, close - 1) == "::1";
    }
    if (const std::size_t colon = name.find(':'); colon != std::string_view::npos) {
        if (name.find_first_not_of("0123456789", colon + 1) != std::string_view::npos) return false;
        name = name.substr(0, colon);
    }
    if (sameText(name, "localhost")) return true;
    if (name.substr(0, 4) != "127.") return false;
    int dots = 0;
    for (char c : name) {
        if (c == '.') ++dots;
        else if (c < '0' || c > '9') return false;
    }
    return dots == 3;
}

std::optional<int> viewerStation(std::string_view message) {
    constexpr std::string_view prefix = "station ";
    if (message.substr(0, prefix.size()) != prefix) return std::nullopt;
    const std::string_view digits = message.substr(prefix.size());
    if (digits.empty() || digits.size() > 2) return std::nullopt;
    int n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + (c - '0');
    }
    if (n >= kStationCount) return std::nullopt;
    return n;
}

}  // namespace kub
