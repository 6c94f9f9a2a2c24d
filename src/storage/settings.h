#pragma once
// "Mon.ini": all user settings as a fixed sequence of positional lines, no keys. Lines
// 1 to 30 keep their historic meaning; settings of our own follow from line 31 on, so a
// file from an older installation still loads.

#include <array>
#include <cstdint>
#include <string>

#include "common/decoder_options.h"

namespace kub {

constexpr int kSettingsLines = 30;
constexpr int kStatusColourCount = 11;

// Colours are 0x00BBGGRR; a value with the top bit set names a system colour.
constexpr std::int32_t kSystemColourBase = -2147483647 - 1;
constexpr std::int32_t kButtonFaceColour = kSystemColourBase + 15;  // -2147483633
constexpr std::int32_t kLightGrey = 14737632;

// The status colours before any file exists (status 1..9).
constexpr std::array<std::int32_t, 9> kDefaultStatusColours = {
    12648384, 12648447, 12632319, 8438015, 16761024, kButtonFaceColour, 16777215, 16711935, 16777088};

struct Settings {
    std::int16_t deviceIndex = 0;                                  // 1
    std::array<std::int32_t, kStatusColourCount> statusColours{};  // 2..10 hold entries 0..8
    std::int16_t bosImportAppend = 0;                              // 11
    std::string actionProgram;                                     // 12
    std::string ftpHost;                                           // 13
    std::string ftpLogin;                                          // 14
    std::string ftpPassword;                                       // 15
    std::string ftpFolder;                                         // 16
    std::int16_t dialUp = 0;                                       // 17
    std::int16_t htmlExport = 0;                                   // 18
    std::string tcpServer;                                         // 19
    std::int16_t tcpPort = 0;                                      // 20
    std::int16_t tcpExport = 0;                                    // 21
    std::int16_t windowMessageExport = 0;                          // 22
    std::string windowTitle;                                       // 23
    std::int16_t layoutCode = 0;                                   // 24
    std::int16_t zveiRight = 0;                                    // 25
    std::int16_t pocsagRight = 0;                                  // 26
    std::int16_t fmsRight = 0;                                     // 27
    std::int16_t zveiLeft = 0;                                     // 28
    std::int16_t pocsagLeft = 0;                                   // 29
    std::int16_t fmsLeft = 0;                                      // 30
    // Settings of our own, after the historic 30 lines; 1 = on. A file without them
    // gets them on.
    std::int16_t inputFilter = 1;                                  // 31
    std::int16_t pocsagErrorCorrection = 1;                        // 32
    std::int16_t fmsCheckBits = 1;                                 // 33
    std::int16_t pocsagBatchAwareEnd = 1;                          // 34
    // "Aufnahme beim Programmstart beginnen": a file without the line keeps the classic
    // start (capture waits for "Start"); a new program folder gets it on.
    std::int16_t captureAtStart = 0;                               // 35

    // Colour of status s (1..11); 0 for statuses without an entry.
    std::int32_t statusColour(int status) const {
        return status >= 1 && status <= kStatusColourCount
                   ? statusColours[static_cast<std::size_t>(status - 1)]
                   : 0;
    }
};

// The decoding improvements as the settings have them (each on only at 1).
DecoderOptions decoderOptions(const Settings& settings);

// The values of the file's lines before anything is read: default colours, everything
// else 0/empty (our own lines as the struct says).
Settings defaultSettings();

// A new program folder, no "Mon.ini" yet: the defaults with all six decoders on and
// capture starting with the program, so a fresh installation decodes at once.
Settings newFolderSettings();

std::string settingsPath(const std::string& programFolder);

// Missing file: newFolderSettings(). A short file keeps the defaults for the lines it lacks;
// a longer one's extra lines are left to the settings that own them.
Settings loadSettings(const std::string& programFolder);

// Writes the file anew. False when it cannot be written; the values in memory stay.
bool saveSettings(const std::string& programFolder, const Settings& settings);

}  // namespace kub
