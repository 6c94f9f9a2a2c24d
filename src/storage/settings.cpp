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

}  // namespace

DecoderOptions decoderOptions(const Settings& s) {
    DecoderOptions o;
    o.inputFilter = s.inputFilter == 1;
    o.pocsagErrorCorrection = s.pocsagErrorCorrection == 1;
    o.fmsCheckBits = s.fmsCheckBits == 1;
    o.pocsagBatchAwareEnd = s.pocsagBatchAwareEnd == 1;
    return o;
}

Settings defaultSettings() {
    Settings s;
    for (std::size_t i = 0; i < kDefaultStatusColours.size(); ++i) s.statusColours[i] = kDefaultStatusColours[i];
    return s;
}

Settings newFolderSettings() {
    Settings s = defaultSettings();
    s.zveiRight = s.pocsagRight = s.fmsRight = 1;
    s.zveiLeft = s.pocsagLeft = s.fmsLeft = 1;
    s.captureAtStart = 1;
    return s;
}

std::string settingsPath(const std::string& programFolder) { return programFolder + "/Mon.ini"; }

Settings loadSettings(const std::string& programFolder) {
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
    auto shortAt = [&](int line, std::int16_t& v) {
        if (has(line)) v = itemToShort(text(line));
    };
    auto textAt = [&](int line, std::string& v) {
        if (has(line)) v = text(line);
    };

    shortAt(1, s.deviceIndex);
    for (int i = 0; i < 9; ++i)
        if (has(2 + i)) s.statusColours[static_cast<std::size_t>(i)] = itemToLong(text(2 + i));
    shortAt(11, s.bosImportAppend);
    textAt(12, s.actionProgram);
    textAt(13, s.ftpHost);
    textAt(14, s.ftpLogin);
    textAt(15, s.ftpPassword);
    textAt(16, s.ftpFolder);
    shortAt(17, s.dialUp);
    shortAt(18, s.htmlExport);
    textAt(19, s.tcpServer);
    shortAt(20, s.tcpPort);
    shortAt(21, s.tcpExport);
    shortAt(22, s.windowMessageExport);
    textAt(23, s.windowTitle);
    shortAt(24, s.layoutCode);
    shortAt(25, s.zveiRight);
    shortAt(26, s.pocsagRight);
    shortAt(27, s.fmsRight);
    shortAt(28, s.zveiLeft);
    shortAt(29, s.pocsagLeft);
    shortAt(30, s.fmsLeft);
    shortAt(31, s.inputFilter);
    shortAt(32, s.pocsagErrorCorrection);
    shortAt(33, s.fmsCheckBits);
    shortAt(34, s.pocsagBatchAwareEnd);
    shortAt(35, s.captureAtStart);
    return s;
}

bool saveSettings(const std::string& programFolder, const Settings& s) {
    std::vector<std::string> l;
    l.reserve(kSettingsLines);
    l.push_back(numberLine(s.deviceIndex));
    for (int i = 0; i < 9; ++i) l.push_back(numberLine(s.statusColours[static_cast<std::size_t>(i)]));
    l.push_back(numberLine(s.bosImportAppend));
    l.push_back(s.actionProgram);
    l.push_back(s.ftpHost);
    l.push_back(s.ftpLogin);
    l.push_back(s.ftpPassword);
    l.push_back(s.ftpFolder);
    l.push_back(numberLine(s.dialUp));
    l.push_back(numberLine(s.htmlExport));
    l.push_back(s.tcpServer);
    l.push_back(numberLine(s.tcpPort));
    l.push_back(numberLine(s.tcpExport));
    l.push_back(numberLine(s.windowMessageExport));
    l.push_back(s.windowTitle);
    l.push_back(numberLine(s.layoutCode));
    l.push_back(numberLine(s.zveiRight));
    l.push_back(numberLine(s.pocsagRight));
    l.push_back(numberLine(s.fmsRight));
    l.push_back(numberLine(s.zveiLeft));
    l.push_back(numberLine(s.pocsagLeft));
    l.push_back(numberLine(s.fmsLeft));
    l.push_back(numberLine(s.inputFilter));
    l.push_back(numberLine(s.pocsagErrorCorrection));
    l.push_back(numberLine(s.fmsCheckBits));
    l.push_back(numberLine(s.pocsagBatchAwareEnd));
    l.push_back(numberLine(s.captureAtStart));
    return replaceTextLines(settingsPath(programFolder), l);
}

}  // namespace kub
