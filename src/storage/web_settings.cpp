#include "storage/web_settings.h"

#include <filesystem>
#include <sstream>

#include "storage/text_file.h"

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
    const auto text = readDataFile(webSettingsPath(programFolder));
    return text ? parseWebSettings(*text) : WebSettings{};
}

bool saveWebSettings(const std::string& programFolder, const WebSettings& s) {
    const std::string path = webSettingsPath(programFolder);
    const std::string text = std::string(kAddress) + s.address + "\n" + kPort + std::to_string(s.port) + "\n" +
                             kKey + s.key + "\n";
    // The key is for the owner's eyes only, from the first moment on.
    return replaceFileBytes(path, text, FileAccess::OwnerOnly);
}

}  // namespace kub
