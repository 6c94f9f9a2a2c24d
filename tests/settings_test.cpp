// "Mon.ini" and "Wachen.txt": bytes on disk, files written by hand, and garbage.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

#include <sys/stat.h>

#include "storage/demo_district.h"
#include "storage/settings.h"
#include "storage/station_names.h"
#include "support/run_process.h"

namespace kub {
namespace {

class SettingsFiles : public ::testing::Test {
protected:
    std::string dir = kubtest::makeTempDir("kub-settings");
    void TearDown() override { kubtest::removeTree(dir); }
    std::string read(const std::string& name) { return kubtest::readFileBytes(dir + "/" + name); }
    void write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir + "/" + name, std::ios::binary) << bytes;
    }
};

// A new folder decodes from the start; everything else as the classic defaults.
TEST_F(SettingsFiles, NewFolderHasDefaultColoursEveryDecoderAndCaptureAtStart) {
    Settings s = loadSettings(dir);
    EXPECT_EQ(s.statusColour(1), 12648384);
    EXPECT_EQ(s.statusColour(6), -2147483633);
    EXPECT_EQ(s.statusColour(9), 16777088);
    EXPECT_EQ(s.statusColour(10), 0);
    EXPECT_EQ(s.statusColour(11), 0);
    EXPECT_EQ(s.statusColour(0), 0);
    EXPECT_EQ(s.fmsLeft + s.zveiLeft + s.pocsagLeft + s.fmsRight + s.zveiRight + s.pocsagRight, 6);
    EXPECT_EQ(s.captureAtStart, 1);
    EXPECT_EQ(s.layout, BoardLayout::NotChosen);
    EXPECT_EQ(s.tcpExport + s.htmlExport + s.windowMessageExport, 0);
    EXPECT_TRUE(s.actionProgram.empty());
    // A "Mon.ini" that is there but cannot be read is no new folder.
    std::filesystem::create_directory(dir + "/Mon.ini");
    s = loadSettings(dir);
    EXPECT_EQ(s.captureAtStart, 0);
    EXPECT_EQ(s.fmsLeft, 0);
}

TEST_F(SettingsFiles, SavedBytesAreThirtyPositionalLines) {
    Settings s = defaultSettings();
    s.deviceIndex = 2;
    s.actionProgram = "C:\\Programme\\Alarm\\alarm.exe";
    s.ftpHost = "www.feuerwehr-musterstadt.de";
    s.ftpLogin = "wache";
    s.ftpPassword = "geheim";
    s.ftpFolder = "kub";
    s.htmlExport = 1;
    s.tcpPort = 4711;
    s.tcpExport = 1;
    s.windowTitle = "Einsatzmonitor Süd";
    s.layout = BoardLayout::Columns10Rows20;
    s.fmsLeft = 1;
    s.zveiRight = 1;
    ASSERT_TRUE(saveSettings(dir, s));
    const std::string expected =
        " 2 \r\n 12648384 \r\n 12648447 \r\n 12632319 \r\n 8438015 \r\n 16761024 \r\n"
        "-2147483633 \r\n 16777215 \r\n 16711935 \r\n 16777088 \r\n 0 \r\n"
        "C:\\Programme\\Alarm\\alarm.exe\r\nwww.feuerwehr-musterstadt.de\r\nwache\r\ngeheim\r\nkub\r\n"
        " 0 \r\n 1 \r\n\r\n 4711 \r\n 1 \r\n 0 \r\nEinsatzmonitor S\xFC" "d\r\n 4 \r\n"
        " 1 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 1 \r\n"
        " 1 \r\n 1 \r\n 1 \r\n 1 \r\n 0 \r\n";  // our own settings after the historic thirty
    EXPECT_EQ(read("Mon.ini"), expected);

    Settings back = loadSettings(dir);
    EXPECT_EQ(back.windowTitle, "Einsatzmonitor Süd");
    EXPECT_EQ(back.statusColours, s.statusColours);
    EXPECT_EQ(back.tcpPort, 4711);
    EXPECT_EQ(back.fmsLeft, 1);
    EXPECT_EQ(back.zveiRight, 1);
    EXPECT_EQ(back.layout, BoardLayout::Columns10Rows20);
    EXPECT_EQ(back.actionProgram, s.actionProgram);
}

TEST_F(SettingsFiles, ShortLongAndGarbledFilesLoadWithoutHarm) {
    // Three lines: the device, and two colours; the other colours keep their defaults.
    write("Mon.ini", " 1 \r\n 255 \r\nkeine Zahl\r\n");
    Settings s = loadSettings(dir);
    EXPECT_EQ(s.deviceIndex, 1);
    EXPECT_EQ(s.statusColour(1), 255);
    EXPECT_EQ(s.statusColour(2), 0);  // a line that is not a number reads as 0
    EXPECT_EQ(s.statusColour(3), 12632319);
    EXPECT_EQ(s.fmsLeft, 0);

    // A comma cuts a text; a password in quotes keeps its comma.
    std::string lines;
    for (int i = 1; i <= 300; ++i) {
        if (i == 13) lines += "host.example,rest\r\n";
        else if (i == 15) lines += "\"ge,heim\"\r\n";
        else if (i == 30) lines += " 1 \r\n";
        else if (i == 24) lines += " 99999999 \r\n";
        else lines += std::string(i == 12 ? 100000 : 0, 'x') + "\r\n";
    }
    write("Mon.ini", lines);
    s = loadSettings(dir);
    EXPECT_EQ(s.ftpHost, "host.example");
    EXPECT_EQ(s.ftpPassword, "ge,heim");
    EXPECT_EQ(s.actionProgram.size(), 100000u);
    EXPECT_EQ(s.layout, BoardLayout::NotChosen);  // out of range reads as 0
    EXPECT_EQ(s.fmsLeft, 1);

    write("Mon.ini", std::string("\0\xFF\xFE\x01\r\n\x80\x81", 8));
    s = loadSettings(dir);
    EXPECT_EQ(s.deviceIndex, 0);
    EXPECT_EQ(s.statusColour(1), 0);
}

TEST_F(SettingsFiles, OurOwnLinesFollowTheHistoricThirtyAndDefaultToOn) {
    // A file of an older installation: thirty lines, the improvements on, capture
    // waiting for "Start", its decoder switches as they were.
    std::string thirty;
    for (int i = 1; i <= 30; ++i) thirty += i == 27 ? " 1 \r\n" : " 0 \r\n";
    write("Mon.ini", thirty);
    Settings s = loadSettings(dir);
    EXPECT_EQ(s.captureAtStart, 0);
    EXPECT_EQ(s.fmsRight, 1);
    EXPECT_EQ(s.fmsLeft + s.zveiLeft + s.pocsagLeft + s.zveiRight + s.pocsagRight, 0);
    EXPECT_EQ(s.inputFilter, 1);
    EXPECT_EQ(s.pocsagBatchAwareEnd, 1);
    DecoderOptions o = decoderOptions(s);
    EXPECT_TRUE(o.inputFilter && o.pocsagErrorCorrection && o.fmsCheckBits && o.pocsagBatchAwareEnd);

    s.pocsagErrorCorrection = false;
    s.captureAtStart = true;
    ASSERT_TRUE(saveSettings(dir, s));
    EXPECT_TRUE(loadSettings(dir).captureAtStart);
    o = decoderOptions(loadSettings(dir));
    EXPECT_TRUE(o.inputFilter);
    EXPECT_FALSE(o.pocsagErrorCorrection);
    EXPECT_TRUE(o.fmsCheckBits);
    EXPECT_EQ(read("Mon.ini").substr(0, thirty.size()).size(), thirty.size());

    // Only 1 means on: a 2 or a -1 edited in by hand is off.
    write("Mon.ini", thirty + " 1 \r\n 1 \r\n 2 \r\n-1 \r\n");
    o = decoderOptions(loadSettings(dir));
    EXPECT_TRUE(o.inputFilter && o.pocsagErrorCorrection);
    EXPECT_FALSE(o.fmsCheckBits || o.pocsagBatchAwareEnd);
}

// What the window wrote comes back byte for byte through memory's bools and enums: a
// file of a running site and the demo district's.
TEST_F(SettingsFiles, AFileReadAndWrittenAgainKeepsEveryByte) {
    const std::string site =
        "-1 \r\n 12648384 \r\n 255 \r\n 12632319 \r\n 8438015 \r\n 16761024 \r\n"
        "-2147483633 \r\n 16777215 \r\n 16711935 \r\n 65280 \r\n 1 \r\n"
        "/usr/local/bin/alarm.sh\r\nftp.feuerwehr-musterstadt.de\r\nwache\r\n\"ge,heim\"\r\n/www/kub\r\n"
        " 1 \r\n 1 \r\n192.168.1.20\r\n 4711 \r\n 1 \r\n 1 \r\nLeitstelle S\xFC" "d\r\n 3 \r\n"
        " 0 \r\n 1 \r\n 1 \r\n 1 \r\n 0 \r\n 1 \r\n"
        " 1 \r\n 0 \r\n 1 \r\n 0 \r\n 1 \r\n";
    ASSERT_TRUE(writeDemoDistrict(dir, "08.12. 10:00"));
    for (const std::string& bytes : {site, read("Mon.ini")}) {
        write("Mon.ini", bytes);
        ASSERT_TRUE(saveSettings(dir, loadSettings(dir)));
        EXPECT_EQ(read("Mon.ini"), bytes);
    }
}

TEST_F(SettingsFiles, APortEditedPastTheBoxLimitReadsAsTheLimitAndIsSaidOnce) {
    std::string lines;
    for (int i = 1; i <= 30; ++i) lines += i == 20 ? " 40000 \r\n" : " 0 \r\n";
    // Past the box's limit, past a 16-bit number, within it.
    for (const auto& [written, expected, remarks] : std::vector<std::tuple<std::string, int, std::size_t>>{
             {" 40000 ", 31000, 1}, {" 31001 ", 31000, 1}, {" 4711 ", 4711, 0}, {" 31000 ", 31000, 0}}) {
        std::string file = lines;
        file.replace(file.find(" 40000 "), 7, written);
        write("Mon.ini", file);
        std::vector<std::string> said;
        EXPECT_EQ(loadSettings(dir, &said).tcpPort, expected) << written;
        ASSERT_EQ(said.size(), remarks) << written;
        if (remarks) {
            EXPECT_NE(said[0].find("31000"), std::string::npos) << said[0];
        }
    }
}

TEST_F(SettingsFiles, TheFileHoldingThePasswordIsTheOwnersAloneWhateverTheUmask) {
    write("Mon.ini", " 0 \r\n");
    ::chmod((dir + "/Mon.ini").c_str(), 0644);  // an older installation's file
    const mode_t before = ::umask(0);
    Settings s = defaultSettings();
    s.ftpPassword = "geheim";
    const bool saved = saveSettings(dir, s);
    ::umask(before);
    ASSERT_TRUE(saved);
    struct stat st {};
    ASSERT_EQ(::stat((dir + "/Mon.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST_F(SettingsFiles, UnwritableFileIsReportedAndChangesNothing) {
    EXPECT_FALSE(saveSettings(dir + "/fehlt", defaultSettings()));
    EXPECT_FALSE(saveStationNames(dir + "/fehlt", StationNames{}));
}

TEST_F(SettingsFiles, StationNamesRoundTripAndTolerateShortFiles) {
    StationNames names;
    names[0] = "FW Nord";
    names[4] = "Rettungswache Müllerstraße";
    names[29] = "THW";
    ASSERT_TRUE(saveStationNames(dir, names));
    std::string bytes = read("Wachen.txt");
    EXPECT_EQ(bytes.substr(0, 9), "FW Nord\r\n");
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 30);
    EXPECT_NE(bytes.find("M\xFCllerstra\xDF" "e\r\n"), std::string::npos);
    StationNames back = loadStationNames(dir);
    EXPECT_EQ(back, names);

    write("Wachen.txt", "Eins, mit Komma\r\nZwei\r\n");
    back = loadStationNames(dir);
    EXPECT_EQ(back[0], "Eins");
    EXPECT_EQ(back[1], "Zwei");
    EXPECT_EQ(back[2], "");
    kubtest::removeTree(dir + "/Wachen.txt");
    EXPECT_EQ(loadStationNames(dir), StationNames{});
}

}  // namespace
}  // namespace kub
