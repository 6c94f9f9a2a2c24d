#include "alarm/mail_text.h"

#include <algorithm>
#include <ctime>

namespace kub {

namespace {

std::string base64(std::string_view bytes) {
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t v = 0;
        for (std::size_t k = 0; k < 3; ++k)
            v = v << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        for (std::size_t k = 0; k < 4; ++k) out += k <= n ? kDigits[(v >> (18 - 6 * k)) & 63] : '=';
    }
    return out;
}

bool plainAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= 0x20 && c < 0x7f; });
}

// A subject of any length and any characters as encoded words of at most 75 characters,
// each cut between whole UTF-8 characters, on folded lines.
std::string encodedWords(std::string_view text) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t end = std::min(text.size(), i + 45);
        while (end < text.size() && end > i + 1 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
        if (!out.empty()) out += "\r\n ";
        out += "=?UTF-8?B?" + base64(text.substr(i, end - i)) + "?=";
        i = end;
    }
    return out;
}

std::string oneLine(std::string s) {
    std::replace_if(s.begin(), s.end(), [](char c) { return c == '\r' || c == '\n' || c == '\0'; }, ' ');
    return s;
}

std::string dateText(double seconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s, %02d %s %04d %02d:%02d:%02d +0000", kDays[tm.tm_wday % 7], tm.tm_mday,
                  kMonths[tm.tm_mon % 12], tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

// The id as the left part of a Message-ID: what RFC 5322 allows there ("dot-atom").
std::string idAtom(const std::string& id) {
    std::string out;
    for (const char c : id) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                        c == '_' || c == '.';
        out += ok ? c : '_';
    }
    return out.substr(0, 200);
}

}  // namespace

std::optional<std::string> mailAddress(const std::string& text) {
    const auto at = text.find('@');
    if (text.empty() || text.size() > 254 || at == std::string::npos || at == 0 || at + 1 == text.size() ||
        text.find('@', at + 1) != std::string::npos)
        return std::nullopt;
    const bool clean = std::all_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) > 0x20 && c != 0x7f && c != '<' && c != '>' && c != ',' && c != ';' &&
               c != '"' && c != '(' && c != ')';
    });
    return clean ? std::optional<std::string>(text) : std::nullopt;
}

std::string mailText(const AlarmMessage& message, const std::string& from, const std::vector<std::string>& to,
                     double seconds) {
    std::string to_;
    for (const auto& a : to) to_ += (to_.empty() ? "" : ", ") + oneLine(a);
    const std::string subject = oneLine(message.subject);
    std::string mail = "Date: " + dateText(seconds) + "\r\n";
    mail += "From: " + oneLine(from) + "\r\n";
    mail += "To: " + to_ + "\r\n";
    mail += "Subject: " + (plainAscii(subject) && subject.size() <= 900 ? subject : encodedWords(subject)) + "\r\n";
    mail += "Message-ID: <" + idAtom(message.id) + "@kub-monitor.invalid>\r\n";
    mail += "MIME-Version: 1.0\r\n";
    mail += "Content-Type: text/plain; charset=UTF-8\r\n";
    mail += "Content-Transfer-Encoding: base64\r\n";
    if (message.test) mail += "X-KUB-Test: ja\r\n";
    mail += "\r\n";
    const std::string body = base64(message.body);
    for (std::size_t i = 0; i < body.size(); i += 76) mail += body.substr(i, 76) + "\r\n";
    return mail;
}

}  // namespace kub
