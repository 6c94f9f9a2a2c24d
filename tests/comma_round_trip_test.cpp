// Texts holding a comma come back whole from every file we write and read again; a line
// without a comma is written byte for byte as before.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "core/headless_window.h"
#include "core/day_log_reload.h"
#include "storage/day_log.h"
#include "storage/settings.h"
#include "storage/station_names.h"
#include "storage/vehicle_table.h"
#include "support/run_process.h"

namespace kub {
namespace {

// One file: store `text` in it, read it back as the next start would.
struct FileCase {
    const char* file;
    std::function<void(const std::string& dir, const std::string& text)> save;
    std::function<std::string(const std::string& dir)> load;
};

std::vector<FileCase> fileCases() {
    auto vehicleTable = [] {
        VehicleTable t;
        t.applyLayout(BoardLayout::Columns5Rows10);
        return t;
    };
    auto settingsText = [](std::string Settings::*field) {
        return FileCase{"Mon.ini",
                        [field](const std::string& dir, const std::string& text) {
                            Settings s = defaultSettings();
                            s.*field = text;
                            ASSERT_TRUE(saveSettings(dir, s));
                        },
                        [field](const std::string& dir) { return loadSettings(dir).*field; }};
    };
    return {
        {"Fzg.txt",
         [=](const std::string& dir, const std::string& text) {
             VehicleTable t = vehicleTable();
             const bool comma = text.find(',') != std::string::npos;
             t.vehicleTable[1] = {"623B1234", text, comma ? "Info, mit Komma" : "Info", 3, 0, ""};
             ASSERT_TRUE(saveVehicleTable(dir, t));
         },
         [=](const std::string& dir) {
             VehicleTable t = vehicleTable();
             EXPECT_TRUE(loadVehicleTable(dir, t));
             // The Kennung behind the comma must survive too, or the vehicle becomes a heading.
             EXPECT_EQ(t.vehicleTable[1].kennung, "623B1234");
             EXPECT_EQ(t.vehicleTable[1].eigenschaft.substr(0, 4), "Info");
             return t.vehicleTable[1].rufname;
         }},
        {"Wachen.txt",
         [](const std::string& dir, const std::string& text) {
             StationNames names{};
             names[3] = text;
             ASSERT_TRUE(saveStationNames(dir, names));
         },
         [](const std::string& dir) { return loadStationNames(dir)[3]; }},
        settingsText(&Settings::actionProgram),
        settingsText(&Settings::ftpHost),
        settingsText(&Settings::ftpLogin),
        settingsText(&Settings::ftpPassword),
        settingsText(&Settings::ftpFolder),
        settingsText(&Settings::tcpServer),
        settingsText(&Settings::windowTitle),
    };
}

TEST(CommaRoundTrip, EveryTextComesBackWholeAndLinesWithoutCommaKeepTheirBytes) {
    const std::string dir = kubtest::makeTempDir("kub-komma");
    for (const FileCase& c : fileCases()) {
        for (const std::string text : {"Florian 2, Nord", "pa,ss,wort", "Ölspur, B 27 \"Süd\"", ",", "ohne Komma"}) {
            c.save(dir, text);
            const std::string back = c.load(dir);
            // A double quote inside a quoted line becomes a single quote; nothing else changes.
            std::string expected = text;
            if (text.find(',') != std::string::npos)
                for (char& ch : expected)
                    if (ch == '"') ch = '\'';
            EXPECT_EQ(back, expected) << c.file << ": " << text;
        }
        // Without a comma the file holds the text exactly as the program always wrote it.
        EXPECT_NE(kubtest::readFileBytes(dir + "/" + c.file).find("ohne Komma"), std::string::npos) << c.file;
        EXPECT_EQ(kubtest::readFileBytes(dir + "/" + c.file).find('"'), std::string::npos) << c.file;
    }
    kubtest::removeTree(dir);
}

TEST(CommaRoundTrip, DayLogRowsWithACommaReloadWhole) {
    const std::string dir = kubtest::makeTempDir("kub-komma-log");
    std::filesystem::create_directory(dir + "/Logbuch");
    ManualClock clock(kubtest::localEpoch(2026, 3, 7, 10, 0));
    const std::string pager = "1234567\t3\tFW Süd\t07.03.2026 10:00:00\tBrand, Hauptstr. 5, \"Dach\"";
    const std::string fms = "Florian 2, Nord\tLF, Zug 1\t623B1234\t3\tI\tFZG->LST\t07.03.2026 10:00:05\t";
    ASSERT_TRUE(appendPocLog(dir, clock, pager));
    ASSERT_TRUE(appendFmsLog(dir, clock, fms));
    // The log holds the row as it was shown, quotes and all.
    EXPECT_EQ(kubtest::readFileBytes(dayLogPath(dir, LogKind::Pocsag, clock.now())),
              "1234567\t3\tFW S\xFC" "d\t07.03.2026 10:00:00\tBrand, Hauptstr. 5, \"Dach\"\r\n");
    HeadlessWindow w;
    EXPECT_EQ(reloadPocLog(dir, clock, w), 1);
    EXPECT_EQ(reloadFmsLog(dir, clock, w), 1);
    EXPECT_EQ(w.rows(ReceptionTable::Pocsag).at(0).text, pager);
    EXPECT_EQ(w.rows(ReceptionTable::Fms).at(0).text, fms);
    kubtest::removeTree(dir);
}

}  // namespace
}  // namespace kub
