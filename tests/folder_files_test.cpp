// Files in the program folder that are not what they seem: a link to another file, a
// FIFO, a device, one far too large. Nothing is read from them, the user is told which
// file and why, and nothing we write goes through a link. What we make is ours alone
// (the status page excepted), whatever the umask.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "common/program_folder.h"
#include "core/headless_window.h"
#include "mqtt/mqtt_settings.h"
#include "core/day_log_reload.h"
#include "storage/day_log.h"
#include "storage/receiver_list.h"
#include "storage/settings.h"
#include "storage/station_names.h"
#include "storage/text_file.h"
#include "storage/vehicle_table.h"
#include "storage/web_settings.h"
#include "support/run_process.h"
#include "web/status_page.h"

namespace kub {
namespace {

class FolderFiles : public ::testing::Test {
protected:
    void SetUp() override {
        takeRefusedFiles();
        createProgramFolders(dir);
    }
    void TearDown() override { kubtest::removeTree(dir); }
    void write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir + "/" + name, std::ios::binary) << bytes;
    }
    std::string said() {
        std::string all;
        for (const auto& r : takeRefusedFiles()) all += r + "\n";
        return all;
    }
    std::string dir = kubtest::makeTempDir("kub-ordner");
    std::string elsewhere = dir + "/fremd.txt";
};

mode_t modeOf(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

TEST_F(FolderFiles, OnlyRegularFilesOfSaneSizeAreReadAndTheRefusalIsSaid) {
    struct Case {
        std::string file;
        std::function<void(const std::string& path)> make;
        std::function<bool()> readDefaults;  // the loader went on as without the file
        std::string why;
    };
    const std::vector<Case> cases = {
        {"Wachen.txt", [&](const std::string& p) { ASSERT_EQ(::symlink(elsewhere.c_str(), p.c_str()), 0); },
         [&] { return loadStationNames(dir)[0].empty(); }, "Verknüpfung"},
        {"Fzg.txt", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
         [&] {
             VehicleTable t;
             t.applyLayout(BoardLayout::NotChosen);
             return !loadVehicleTable(dir, t) && t.vehicleTable[0].rufname.empty();
         },
         "FIFO"},
        {"Mon.ini", [](const std::string& p) { ASSERT_EQ(::symlink("/dev/zero", p.c_str()), 0); },
         [&] { return loadSettings(dir).deviceIndex == defaultSettings().deviceIndex; }, "Verknüpfung"},
        {"ZVEI.txt", [&](const std::string&) { write("ZVEI.txt", std::string(kMaxDataFileBytes + 1, 'x')); },
         [&] { return loadReceiverList(dir).empty(); }, "größer als die erlaubten 4 MiB"},
        {"Web.ini", [](const std::string& p) { ASSERT_EQ(::mkdir(p.c_str(), 0700), 0); },
         [&] { return loadWebSettings(dir).key.empty(); }, "Ordner"},
    };
    write("fremd.txt", "Geheim\r\n");
    for (const Case& c : cases) {
        const std::string path = dir + "/" + c.file;
        c.make(path);
        EXPECT_TRUE(c.readDefaults()) << c.file;
        const std::string text = said();
        EXPECT_NE(text.find("\"" + path + "\" nicht gelesen"), std::string::npos) << text;
        EXPECT_NE(text.find(c.why), std::string::npos) << text;
    }
}

TEST_F(FolderFiles, ADeviceIsNoSettingsFile) {
    // /dev/zero itself (a settings path that names it): never read to its end.
    ASSERT_FALSE(readDataFile("/dev/zero"));
    EXPECT_NE(said().find("Gerät"), std::string::npos);
}

TEST_F(FolderFiles, DayLogOfABusyDayGivesItsNewestRows) {
    ManualClock clock(kubtest::localEpoch(2026, 12, 8, 12, 0));
    const std::string row(199, 'r');
    std::string bytes;
    while (bytes.size() <= static_cast<std::size_t>(kMaxDataFileBytes)) bytes += row + "\r\n";
    write("Logbuch/" + dayLogFileName(LogKind::Pocsag, clock.now()), bytes + "neueste\r\n");
    // Read as the reload reads it (oldest first): a window of 20000 rows, each put on top,
    // would only measure the test's stand-in window.
    const auto rows = readDayLogRows(dir, LogKind::Pocsag, clock);
    ASSERT_GT(rows.size(), 20000u);
    EXPECT_EQ(rows.back(), "neueste");
    for (const auto& r : rows) ASSERT_TRUE(r == row || r == "neueste") << "a cut row: " << r.size();
}

TEST_F(FolderFiles, WritesNeverFollowALink) {
    write("fremd.txt", "Geheim\r\n");
    ManualClock clock(kubtest::localEpoch(2026, 12, 8, 12, 0));
    const std::string log = dir + "/Logbuch/" + dayLogFileName(LogKind::Fms, clock.now());
    ASSERT_EQ(::symlink(elsewhere.c_str(), log.c_str()), 0);
    EXPECT_FALSE(appendDayLog(dir, LogKind::Fms, clock, "gefälscht"));

    // A file that is replaced as a whole puts a file of its own where the link was.
    VehicleTable table;
    table.applyLayout(BoardLayout::NotChosen);
    table.vehicleTable[3].status = 2;
    const std::string status = statusFilePath(dir, 3);
    ASSERT_EQ(::symlink(elsewhere.c_str(), status.c_str()), 0);
    ASSERT_EQ(::symlink(elsewhere.c_str(), (dir + "/Wachen.txt.neu").c_str()), 0);
    EXPECT_TRUE(writeStatusFile(dir, table, 3, "08.12. 12:00"));
    EXPECT_TRUE(saveStationNames(dir, StationNames{}));
    EXPECT_EQ(kubtest::readFileBytes(elsewhere), "Geheim\r\n");
    EXPECT_FALSE(std::filesystem::is_symlink(status));
    EXPECT_EQ(kubtest::readFileBytes(status), "2\t0\t08.12. 12:00\r\n");

    // A lock file that is a link: the link goes, its target is never made.
    const std::string target = dir + "/nie-angelegt";
    ASSERT_EQ(::symlink(target.c_str(), (dir + "/" + kLockFileName).c_str()), 0);
    FolderLock lock;
    EXPECT_EQ(lock.acquire(dir), FolderLock::Result::Acquired);
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_FALSE(std::filesystem::is_symlink(dir + "/" + kLockFileName));
    FolderLock second;
    EXPECT_EQ(second.acquire(dir), FolderLock::Result::HeldByOther);
}

TEST_F(FolderFiles, WhatWeMakeIsOursWhateverTheUmask) {
    const mode_t before = ::umask(0);
    ManualClock clock(kubtest::localEpoch(2026, 12, 8, 12, 0));
    VehicleTable table;
    table.applyLayout(BoardLayout::NotChosen);
    FolderLock lock;
    const bool made = appendDayLog(dir, LogKind::Zvei, clock, "row") && writeStatusFile(dir, table, 0, "") &&
                      saveSettings(dir, defaultSettings()) && saveVehicleTable(dir, table) &&
                      saveMqttSettings(dir, MqttSettings{}) && saveWebSettings(dir, WebSettings{}) &&
                      writeStatusPage(dir, StatusPageInput{}, clock.now()) &&
                      lock.acquire(dir) == FolderLock::Result::Acquired;
    ::umask(before);
    ASSERT_TRUE(made);
    const std::vector<std::pair<std::string, mode_t>> want = {
        {"Logbuch/" + dayLogFileName(LogKind::Zvei, clock.now()), 0600},
        {"Status/0.txt", 0600},
        {"Mon.ini", 0600},
        {"Fzg.txt", 0600},
        {kMqttFileName, 0600},
        {kWebSettingsFileName, 0600},
        {kLockFileName, 0600},
        {"status.html", 0644},
    };
    for (const auto& [file, mode] : want) EXPECT_EQ(modeOf(dir + "/" + file), mode) << file;
}

// The whole start of the headless tool on such a folder: it does not hang on the FIFO,
// does not die on /dev/zero, and says both.
TEST_F(FolderFiles, HeadlessStartSaysWhichFilesItLeftAlone) {
    ASSERT_EQ(::mkfifo((dir + "/Fzg.txt").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", (dir + "/Mon.ini").c_str()), 0);
    const auto r = kubtest::runProcess("timeout 60 " + std::string(KUBMON_EXE) + " decode --folder " + dir +
                                       " - --rate 22050 < /dev/null");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("Fzg.txt\" nicht gelesen: sie ist eine Pipe (FIFO)"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Mon.ini\" nicht gelesen"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace kub
