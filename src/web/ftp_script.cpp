#include "web/ftp_script.h"

#include <cctype>

namespace kub {

namespace {

std::string trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
    return s.substr(b, e - b);
}

}  // namespace

FtpScript parseFtpScript(const std::vector<std::string>& lines) {
    FtpScript script;
    auto clean = [](std::string s) {
        if (!s.empty() && s.back() == '\r') s.pop_back();
        return s;
    };
    // Login and password are taken as written: a password may begin or end with a blank.
    if (!lines.empty()) script.login = clean(lines[0]);
    if (lines.size() > 1) script.password = clean(lines[1]);
    for (std::size_t i = 2; i < lines.size(); ++i) {
        const std::string line = trim(lines[i]);
        if (line.empty()) continue;
        std::size_t end = 0;
        while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
        FtpCommand cmd;
        for (std::size_t k = 0; k < end; ++k)
            cmd.verb.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(line[k]))));
        cmd.rest = trim(line.substr(end));
        script.commands.push_back(std::move(cmd));
    }
    return script;
}

std::vector<std::string> splitFtpWords(const std::string& rest) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < rest.size()) {
        while (i < rest.size() && (rest[i] == ' ' || rest[i] == '\t')) ++i;
        if (i >= rest.size()) break;
        std::string word;
        if (rest[i] == '"') {
            const std::size_t close = rest.find('"', i + 1);
            word = rest.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
            i = close == std::string::npos ? rest.size() : close + 1;
        } else {
            while (i < rest.size() && rest[i] != ' ' && rest[i] != '\t') word.push_back(rest[i++]);
        }
        words.push_back(std::move(word));
    }
    return words;
}

std::optional<FtpHost> parseFtpHost(const std::string& text) {
    FtpHost h;
    std::string portText;
    if (!text.empty() && text[0] == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string::npos) return std::nullopt;
        h.host = text.substr(1, close - 1);
        if (close + 1 < text.size()) {
            if (text[close + 1] != ':') return std::nullopt;
            portText = text.substr(close + 2);
            if (portText.empty()) return std::nullopt;
        }
    } else {
        const std::size_t colon = text.find(':');
        if (colon != std::string::npos && text.find(':', colon + 1) == std::string::npos) {
            h.host = text.substr(0, colon);
            portText = text.substr(colon + 1);
            if (portText.empty()) return std::nullopt;
        } else {
            h.host = text;  // a bare IPv6 address keeps its colons
        }
    }
    if (h.host.empty()) return std::nullopt;
    if (!portText.empty()) {
        long port = 0;
        for (char c : portText) {
            if (c < '0' || c > '9') return std::nullopt;
            port = port * 10 + (c - '0');
            if (port > 65535) return std::nullopt;
        }
        if (port == 0) return std::nullopt;
        h.port = static_cast<int>(port);
    }
    return h;
}

std::string fileNamePart(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace kub
