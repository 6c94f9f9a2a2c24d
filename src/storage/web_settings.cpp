#include "storage/web_settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace kub {

namespace {

constexpr const char* kAddress = "Adresse=";
constexpr const char* kPort = "Port=";
constexpr const char* kKey = "Zugangsschlüssel=";

bool startsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

}  // namespace

std::string webSettingsPath(const std::string& programFolder) {
    return (std::filesystem::path(programFolder) / kWebSettingsFileName).string();
}

WebSettings parseWebSettings(const std::string& text) {
    WebSettings s;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (startsWith(line, kAddress)) {
            s.address = line.substr(std::string(kAddress).size());
        } else if (startsWith(line, kPort)) {
            const std::string v = line.substr(std::string(kPort).size());
            int port = 0;
            bool digits = !v.empty() && v.size() <= 5;
            for (std::size_t i = 0; digits && i < v.size(); ++i) {
                if (v[i] < '0' || v[i] > '9') digits = false;
                else port = port * 10 + (v[i] - '0');
            }
            s.port = digits && port <= 65535 ? port : 0;
        } else if (startsWith(line, kKey)) {
            s.key = line.substr(std::string(kKey).size());
        }
    }
    return s;
}

WebSettings loadWebSettings(const std::string& programFolder) {
    std::ifstream in(webSettingsPath(programFolder), std::ios::binary);
    if (!in) return {};
    std::ostringstream text;
    text << in.rdbuf();
    return parseWebSettings(text.str());
}

bool saveWebSettings(const std::string& programFolder, const WebSettings& s) {
    const std::string path = webSettingsPath(programFolder);
    const std::string text = std::string(kAddress) + s.address + "\n" + kPort + std::to_string(s.port) + "\n" +
                             kKey + s.key + "\n";
    // Made with the owner's rights only from the start, so the key is never readable by others.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    ::fchmod(fd, 0600);
    std::size_t done = 0;
    bool ok = true;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) {
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) ok = false;
    return ok;
}

}  // namespace kub
