#pragma once
// "Mon.ini": all user settings as a fixed sequence of positional lines, no keys. Lines
// 1 to 30 keep their historic meaning; settings of our own follow from line 31 on, so a
// file from an older installation still loads.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/decoder_options.h"
#include "storage/board_layout.h"

namespace kub {

constexpr int kSettingsLines = 30;
constexpr int kStatusColourCount = 11;

// Colours are 0x00BBGGRR; a value with the top bit set names a system colour.
constexpr std::int32_t kSystemColourBase = -2147483647 - 1;
constexpr std::int32_t kButtonFaceColour = kSystemColourBase + 15;  // -2147483633
constexpr std::int32_t kLightGrey = 14737632;
// The port box takes no higher port.
constexpr int kMaxTcpPort = 31000;

// The status colours before any file exists (status 1..9).
constexpr std::array<std::int32_t, 9> kDefaultStatusColours = {
    12648384, 12648447, 12632319, 8438015, 16761024, kButtonFaceColour, 16777215, 16711935, 16777088};

// In memory every switch is a bool and the layout an enum; the file's numbers (a switch
// is on only at 1) exist only while "Mon.ini" is read and written.
struct Settings {
    int deviceIndex = 0;                                           // 1; -1: none chosen
    std::array<std::int32_t, kStatusColourCount> statusColours{};  // 2..10 hold entries 0..8
    bool bosImportAppend = false;                                  // 11
    std::string actionProgram;                                     // 12
    std::string ftpHost;                                           // 13
    std::string ftpLogin;                                          // 14
    std::string ftpPassword;                                       // 15
    std::string ftpFolder;                                         // 16
    bool dialUp = false;                                           // 17
    bool htmlExport = false;                                       // 18
    std::string tcpServer;                                         // 19
    int tcpPort = 0;                                               // 20
    bool tcpExport = false;                                        // 21
    bool windowMessageExport = false;                              // 22
    std::string windowTitle;                                       // 23
    BoardLayout layout = BoardLayout::NotChosen;                   // 24
    bool zveiRight = false;                                        // 25
    bool pocsagRight = false;                                      // 26
    bool fmsRight = false;                                         // 27
    bool zveiLeft = false;                                         // 28
    bool pocsagLeft = false;                                       // 29
    bool fmsLeft = false;                                          // 30
    // Settings of our own, after the historic 30 lines. A file without them gets them on.
    bool inputFilter = true;                                       // 31
    bool pocsagErrorCorrection = true;                             // 32
    bool fmsCheckBits = true;                                      // 33
    bool pocsagBatchAwareEnd = true;                               // 34
    // "Aufnahme beim Programmstart beginnen": a file without the line keeps the classic
    // start (capture waits for "Start"); a new program folder gets it on.
    bool captureAtStart = false;                                   // 35

    bool anyDecoderLeft() const { return fmsLeft || zveiLeft || pocsagLeft; }
    bool anyDecoderRight() const { return fmsRight || zveiRight || pocsagRight; }

    // Colour of status s (1..11); 0 for statuses without an entry.
    std::int32_t statusColour(int status) const {
        return status >= 1 && status <= kStatusColourCount
                   ? statusColours[static_cast<std::size_t>(status - 1)]
                   : 0;
    }
};

// The decoding improvements as the settings have them.
DecoderOptions decoderOptions(const Settings& settings);

// The values of the file's lines before anything is read: default colours, everything
// else 0/empty (our own lines as the struct says).
Settings defaultSettings();

// A new program folder, no "Mon.ini" yet: the defaults with all six decoders on and
// capture starting with the program, so a fresh installation decodes at once.
Settings newFolderSettings();

std::string settingsPath(const std::string& programFolder);

// Missing file: newFolderSettings(). A short file keeps the defaults for the lines it lacks;
// a longer one's extra lines are left to the settings that own them. A value edited by
// hand beyond what the window allows is taken at the window's limit, and `remarks`
// (when given) gets one German line saying so.
Settings loadSettings(const std::string& programFolder, std::vector<std::string>* remarks = nullptr);

// Writes the file anew. False when it cannot be written; the values in memory stay.
bool saveSettings(const std::string& programFolder, const Settings& settings);

}  // namespace kub
