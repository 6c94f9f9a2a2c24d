#include "storage/settings.h"

#include <climits>
#include <filesystem>
#include <vector>

#include "storage/text_file.h"

namespace kub {

namespace {

std::int32_t itemToLong(const std::string& item) {
    long v = itemToNumber(item);
    return v > INT32_MAX || v < INT32_MIN ? 0 : static_cast<std::int32_t>(v);
}

// A switch is on only at 1, as the window's check boxes wrote it; 0 or 1 again on the way out.
bool itemToSwitch(const std::string& item) { return itemToShort(item) == 1; }
std::string switchLine(bool on) { return numberLine(on ? 1 : 0); }

// A number the window never wrote lays the board out as if none was chosen.
BoardLayout itemToLayout(const std::string& item) {
    const short code = itemToShort(item);
    return code >= 1 && code <= 4 ? static_cast<BoardLayout>(code) : BoardLayout::NotChosen;
}

}  // namespace

DecoderOptions decoderOptions(const Settings& s) {
    DecoderOptions o;
    o.inputFilter = s.inputFilter;
    o.pocsagErrorCorrection = s.pocsagErrorCorrection;
    o.fmsCheckBits = s.fmsCheckBits;
    o.pocsagBatchAwareEnd = s.pocsagBatchAwareEnd;
    return o;
}

Settings defaultSettings() {
    Settings s;
    for (std::size_t i = 0; i < kDefaultStatusColours.size(); ++i) s.statusColours[i] = kDefaultStatusColours[i];
    return s;
}

Settings newFolderSettings() {
    Settings s = defaultSettings();
    s.zveiRight = s.pocsagRight = s.fmsRight = true;
    s.zveiLeft = s.pocsagLeft = s.fmsLeft = true;
    s.captureAtStart = true;
    return s;
}

std::string settingsPath(const std::string& programFolder) { return programFolder + "/Mon.ini"; }

Settings loadSettings(const std::string& programFolder, std::vector<std::string>* remarks) {
    const std::string path = settingsPath(programFolder);
    // Only a folder that has never had the file is new; one that cannot be read is not.
    std::error_code ec;
    if (!std::filesystem::exists(path, ec) && !ec) return newFolderSettings();
    Settings s = defaultSettings();
    auto lines = readItemLines(path);
    if (!lines) return s;
    const std::vector<std::string>& l = *lines;
    auto has = [&](int line) { return static_cast<std::size_t>(line) <= l.size(); };
    auto text = [&](int line) -> const std::string& { return l[static_cast<std::size_t>(line - 1)]; };
    auto switchAt = [&](int line, bool& v) {
        if (has(line)) v = itemToSwitch(text(line));
    };
    auto textAt = [&](int line, std::string& v) {
        if (has(line)) v = text(line);
    };

    if (has(1)) s.deviceIndex = itemToShort(text(1));
    for (int i = 0; i < 9; ++i)
        if (has(2 + i)) s.statusColours[static_cast<std::size_t>(i)] = itemToLong(text(2 + i));
    switchAt(11, s.bosImportAppend);
    textAt(12, s.actionProgram);
    textAt(13, s.ftpHost);
    textAt(14, s.ftpLogin);
    textAt(15, s.ftpPassword);
    textAt(16, s.ftpFolder);
    switchAt(17, s.dialUp);
    switchAt(18, s.htmlExport);
    textAt(19, s.tcpServer);
    if (has(20)) {
        // A port typed into the file past the box's limit would read as 0 (or connect
        // where the box never could): the limit is what the operator can have meant.
        const long port = itemToNumber(text(20));
        s.tcpPort = port > kMaxTcpPort ? kMaxTcpPort : itemToShort(text(20));
        if (port > kMaxTcpPort && remarks)
            remarks->push_back("Port " + std::to_string(port) + " in \"Mon.ini\" (Zeile 20) ist höher als " +
                               std::to_string(kMaxTcpPort) + "; es gilt " + std::to_string(kMaxTcpPort) + ".");
    }
    switchAt(21, s.tcpExport);
    switchAt(22, s.windowMessageExport);
    textAt(23, s.windowTitle);
    if (has(24)) s.layout = itemToLayout(text(24));
    switchAt(25, s.zveiRight);
    switchAt(26, s.pocsagRight);
    switchAt(27, s.fmsRight);
    switchAt(28, s.zveiLeft);
    switchAt(29, s.pocsagLeft);
    switchAt(30, s.fmsLeft);
    switchAt(31, s.inputFilter);
    switchAt(32, s.pocsagErrorCorrection);
    switchAt(33, s.fmsCheckBits);
    switchAt(34, s.pocsagBatchAwareEnd);
    switchAt(35, s.captureAtStart);
    return s;
}

bool saveSettings(const std::string& programFolder, const Settings& s) {
    std::vector<std::string> l;
    l.reserve(kSettingsLines);
    l.push_back(numberLine(s.deviceIndex));
    for (int i = 0; i < 9; ++i) l.push_back(numberLine(s.statusColours[static_cast<std::size_t>(i)]));
    l.push_back(switchLine(s.bosImportAppend));
    l.push_back(itemLine(s.actionProgram));
    l.push_back(itemLine(s.ftpHost));
    l.push_back(itemLine(s.ftpLogin));
    l.push_back(itemLine(s.ftpPassword));
    l.push_back(itemLine(s.ftpFolder));
    l.push_back(switchLine(s.dialUp));
    l.push_back(switchLine(s.htmlExport));
    l.push_back(itemLine(s.tcpServer));
    l.push_back(numberLine(s.tcpPort));
    l.push_back(switchLine(s.tcpExport));
    l.push_back(switchLine(s.windowMessageExport));
    l.push_back(itemLine(s.windowTitle));
    l.push_back(numberLine(static_cast<long>(s.layout)));
    l.push_back(switchLine(s.zveiRight));
    l.push_back(switchLine(s.pocsagRight));
    l.push_back(switchLine(s.fmsRight));
    l.push_back(switchLine(s.zveiLeft));
    l.push_back(switchLine(s.pocsagLeft));
    l.push_back(switchLine(s.fmsLeft));
    l.push_back(switchLine(s.inputFilter));
    l.push_back(switchLine(s.pocsagErrorCorrection));
    l.push_back(switchLine(s.fmsCheckBits));
    l.push_back(switchLine(s.pocsagBatchAwareEnd));
    l.push_back(switchLine(s.captureAtStart));
    // It holds the FTP password: for the owner's eyes only.
    return replaceTextLines(settingsPath(programFolder), l, FileAccess::OwnerOnly);
}

}  // namespace kub
