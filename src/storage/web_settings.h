#pragma once
// "Web.ini": the live web board's address, port and access key, in a file of its own
// (it holds a key, so only its owner may read it). Lines "Adresse=…", "Port=…",
// "Zugangsschlüssel=…", UTF-8. No file, or port 0: the web board is off.

#include <string>

namespace kub {

constexpr const char* kWebSettingsFileName = "Web.ini";

struct WebSettings {
    std::string address = "127.0.0.1";
    int port = 0;  // 0: off
    std::string key;

    bool on() const { return port > 0; }
    bool operator==(const WebSettings&) const = default;
};

std::string webSettingsPath(const std::string& programFolder);
// The settings in a file's text; unknown lines and bad values are passed over.
WebSettings parseWebSettings(const std::string& text);
WebSettings loadWebSettings(const std::string& programFolder);
// Writes the file anew, readable by its owner only; false when it cannot be written.
bool saveWebSettings(const std::string& programFolder, const WebSettings& settings);

}  // namespace kub
