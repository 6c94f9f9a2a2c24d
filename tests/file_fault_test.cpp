// Files that cannot be written while traffic comes in: a read-only program folder, a
// full disk, a day log replaced by a folder. The monitor keeps decoding and showing every
// reception, says so once, keeps what is on disk, and recovers by itself. And every file
// that is rewritten is replaced in one step: a failure half-way leaves the old one.

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "storage/day_log.h"
#include "storage/receiver_list.h"
#include "storage/settings.h"
#include "storage/station_names.h"
#include "storage/text_file.h"
#include "storage/vehicle_table.h"
#include "support/run_process.h"
#include "support/soak_run.h"
#include "web/status_page.h"

namespace {

using Snapshot = std::map<std::string, std::string>;  // relative path -> bytes

void snapshotInto(const std::string& root, const std::string& rel, Snapshot& out) {
    DIR* d = ::opendir((root + rel).c_str());
    if (!d) return;
    while (dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        const std::string r = rel + "/" + name;
        struct stat st {};
        if (::stat((root + r).c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode))
            snapshotInto(root, r, out);
        else
            out[r] = kubtest::readFileBytes(root + r);
    }
    ::closedir(d);
}

Snapshot snapshot(const std::string& root) {
    Snapshot s;
    snapshotInto(root, "", s);
    return s;
}

// Everything that was on disk is still there: files unchanged, or (day logs) only added to.
void expectNothingLost(const Snapshot& before, const Snapshot& after) {
    for (const auto& [path, bytes] : before) {
        const auto it = after.find(path);
        ASSERT_NE(it, after.end()) << path << " is gone";
        EXPECT_EQ(it->second.compare(0, bytes.size(), bytes), 0) << path << " lost what it held";
    }
    for (const auto& [path, bytes] : after)
        EXPECT_EQ(path.find(".neu"), std::string::npos) << "side file left behind: " << path;
}

void expectAllReceived(const kubtest::SoakRun& soak) {
    const auto& t = soak.tally();
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(t.received[k], t.expected[k]) << "kind " << k;
        EXPECT_EQ(t.unexpected[k], 0) << "kind " << k;
    }
    for (const auto& m : t.missing) ADD_FAILURE() << "missing: " << m;
}

bool isRoot() { return ::geteuid() == 0; }

class FileFaults : public ::testing::Test {
protected:
    void TearDown() override {
        if (mounted) ::umount2(folder.c_str(), MNT_DETACH);
        kubtest::removeTree(folder);
    }
    // A small file system of its own in the folder; why not, where mounting is not allowed.
    std::string mountTmpfs(const char* options) {
        if (!isRoot()) return "needs root to mount a small tmpfs";
        if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, options) != 0)
            return std::string("tmpfs mount not permitted here: ") + std::strerror(errno);
        mounted = true;
        return {};
    }
    void freeDisk() {
        std::remove((folder + "/Füller").c_str());
        std::remove((folder + "/Füller2").c_str());
    }
    // Fills the file system of the folder up to the last byte.
    void fillDisk() {
        std::FILE* f = std::fopen((folder + "/Füller").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        const std::string chunk(4096, 'x');
        while (std::fwrite(chunk.data(), 1, chunk.size(), f) == chunk.size() && std::fflush(f) == 0) {
        }
        std::fclose(f);
        // Whatever single bytes remain.
        f = std::fopen((folder + "/Füller2").c_str(), "wb");
        if (f) {
            while (std::fputc('x', f) != EOF && std::fflush(f) == 0) {
            }
            std::fclose(f);
        }
    }
    std::string folder = kubtest::makeTempDir("kub-faults");
    bool mounted = false;
    const double start = kubtest::localEpoch(2026, 12, 7, 10, 0);
};

TEST_F(FileFaults, ReadOnlyProgramFolder) {
    if (!isRoot()) GTEST_SKIP() << "needs root to bind-mount the folder read-only";
    kubtest::SoakRun soak(folder, start);
    soak.run(1);
    const Snapshot before = snapshot(folder);
    if (::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0)
        GTEST_SKIP() << "bind mount not permitted here: " << std::strerror(errno);
    mounted = true;
    ASSERT_EQ(::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr), 0)
        << std::strerror(errno);

    soak.run(2);
    expectAllReceived(soak);
    ASSERT_EQ(soak.failureMessages.size(), 1u) << "told once, not with every reception";
    EXPECT_EQ(soak.recoveries, 0);
    EXPECT_EQ(snapshot(folder), before);

    ASSERT_EQ(::umount2(folder.c_str(), 0), 0) << std::strerror(errno);
    mounted = false;
    soak.run(1);
    expectAllReceived(soak);
    EXPECT_EQ(soak.failureMessages.size(), 1u);
    EXPECT_EQ(soak.recoveries, 1) << "the status line clears by itself";
    expectNothingLost(before, snapshot(folder));
    // The receptions after the fault are in the logs again.
    const auto log = kub::readTextLines(kub::dayLogPath(folder, kub::LogKind::Zvei, kub::toLocalTime(start)));
    ASSERT_TRUE(log);
    EXPECT_EQ(log->size(), 2u * 2u);  // one cycle before and one after the fault, two channels each
}

TEST_F(FileFaults, FullDisk) {
    if (const std::string why = mountTmpfs("size=512k,mode=0755"); !why.empty()) GTEST_SKIP() << why;
    kubtest::SoakRun soak(folder, start);
    soak.run(1);
    fillDisk();
    const Snapshot before = snapshot(folder);

    soak.run(3);
    expectAllReceived(soak);
    ASSERT_EQ(soak.failureMessages.size(), 1u) << "told once, not with every reception";
    EXPECT_EQ(soak.recoveries, 0);
    expectNothingLost(before, snapshot(folder));
    // No log line is left half-written.
    for (const auto& [path, bytes] : snapshot(folder))
        if (path.find("/Logbuch/") == 0) {
            EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n") << path;
        }

    freeDisk();
    soak.run(1);
    expectAllReceived(soak);
    EXPECT_EQ(soak.recoveries, 1);
    // The status of the last cycle's vehicles reached their files again.
    kub::VehicleTable onDisk;
    kub::loadVehicleTable(folder, onDisk);
    kub::loadStatusFiles(folder, onDisk);
    const auto& mem = soak.core().context.vehicles.vehicleTable;
    for (std::size_t i = 0; i < 32; ++i) {
        EXPECT_EQ(onDisk.vehicleTable[i].kennung, mem[i].kennung);
        // Slots written during the fault show the status last written; the last cycle's
        // two vehicles are written again.
        if (mem[i].kennung == siggen::trafficKennung(4, false) || mem[i].kennung == siggen::trafficKennung(4, true)) {
            EXPECT_EQ(onDisk.vehicleTable[i].status, mem[i].status) << mem[i].kennung;
        }
    }
}

TEST_F(FileFaults, DayLogReplacedByAFolder) {
    kubtest::SoakRun soak(folder, start);
    soak.run(1);
    const std::string fmsLog = kub::dayLogPath(folder, kub::LogKind::Fms, kub::toLocalTime(start));
    const std::string kept = kubtest::readFileBytes(fmsLog);
    ASSERT_FALSE(kept.empty());
    ASSERT_EQ(std::rename(fmsLog.c_str(), (fmsLog + ".alt").c_str()), 0);
    ASSERT_EQ(::mkdir(fmsLog.c_str(), 0755), 0);

    soak.run(2);
    expectAllReceived(soak);
    ASSERT_EQ(soak.failureMessages.size(), 1u);
    EXPECT_NE(soak.failureMessages[0].find("FMS-Logbuch"), std::string::npos) << soak.failureMessages[0];
    // The other logs go on.
    const auto zvei = kub::readTextLines(kub::dayLogPath(folder, kub::LogKind::Zvei, kub::toLocalTime(start)));
    ASSERT_TRUE(zvei);
    EXPECT_EQ(zvei->size(), 6u);

    ASSERT_EQ(::rmdir(fmsLog.c_str()), 0);
    soak.run(1);
    expectAllReceived(soak);
    EXPECT_EQ(soak.failureMessages.size(), 1u);
    EXPECT_EQ(soak.recoveries, 1);
    const auto fms = kub::readTextLines(fmsLog);
    ASSERT_TRUE(fms);
    EXPECT_EQ(fms->size(), 2u);
    EXPECT_EQ(kubtest::readFileBytes(fmsLog + ".alt"), kept);
}

TEST(WriteFaultReports, OnceForAllFamiliesThenOnceWhenAllRecovered) {
    kub::WriteFaults f;
    EXPECT_FALSE(f.written("FMS-Logbuch", true, ""));
    auto n = f.written("FMS-Logbuch", false, "a");
    ASSERT_TRUE(n);
    EXPECT_EQ(n->message, "a");
    EXPECT_FALSE(f.written("FMS-Logbuch", false, "a"));
    EXPECT_FALSE(f.written("Statusdatei", false, "b"));
    EXPECT_FALSE(f.written("Statusdatei", true, ""));  // not the one shown
    EXPECT_FALSE(f.written("Statusdatei", false, "b"));
    // Recovered one by one: told only when the last one is over.
    EXPECT_FALSE(f.written("FMS-Logbuch", true, ""));
    EXPECT_TRUE(f.faulty());
    n = f.written("Statusdatei", true, "");
    ASSERT_TRUE(n);
    EXPECT_TRUE(n->recovered);
    EXPECT_FALSE(f.faulty());
}

// ---- replacing files ----

struct Rewrite {
    std::string file;                 // relative to the program folder
    std::function<bool(const std::string& folder)> save;
};

std::vector<Rewrite> rewrites() {
    std::vector<Rewrite> r;
    r.push_back({"Fzg.txt", [](const std::string& f) {
                     kub::VehicleTable t;
                     t.vehicleTable[0] = {"62341234", "Florian Neu", "HLF", 3, 0, ""};
                     return kub::saveVehicleTable(f, t);
                 }});
    r.push_back({"Status/0.txt", [](const std::string& f) {
                     kub::VehicleTable t;
                     t.vehicleTable[0].status = 4;
                     return kub::writeStatusFile(f, t, 0, "07.12.2026 10:00:00");
                 }});
    r.push_back({"Mon.ini", [](const std::string& f) {
                     kub::Settings s = kub::defaultSettings();
                     s.windowTitle = "Neu";
                     return kub::saveSettings(f, s);
                 }});
    r.push_back({"Wachen.txt", [](const std::string& f) {
                     kub::StationNames n;
                     n[0] = "Neu";
                     return kub::saveStationNames(f, n);
                 }});
    r.push_back({"ZVEI.txt", [](const std::string& f) {
                     return kub::saveReceiverList(f, {{"12345", "Neu", 255}});
                 }});
    r.push_back({"ZVEI_FMS_Zuord.txt", [](const std::string& f) {
                     auto list = kub::loadAssignments(f);
                     return kub::removeAssignment(f, list, "62341234", "25431");
                 }});
    r.push_back({"status.html", [](const std::string& f) {
                     kub::StatusPageInput in;
                     in.statusColours.assign(11, 0);
                     return kub::writeStatusPage(f, in, kub::LocalTime{2026, 12, 7, 10, 0, 0});
                 }});
    return r;
}

// An old file of several pages: a rewrite of it cannot fit into a disk that is full.
std::string oldContent(const std::string& file) {
    std::string s;
    for (int i = 0; i < 400; ++i)
        s += "62341234\t" + std::to_string(25431 + i) + "\talter Inhalt " + file + " " + std::to_string(i) + "\r\n";
    return s;
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST_F(FileFaults, RewriteFailingHalfWayLeavesTheOldFile) {
    if (const std::string why = mountTmpfs("size=256k,mode=0755"); !why.empty()) GTEST_SKIP() << why;
    ASSERT_EQ(::mkdir((folder + "/Status").c_str(), 0755), 0);
    for (const Rewrite& r : rewrites()) writeBytes(folder + "/" + r.file, oldContent(r.file));
    fillDisk();
    for (const Rewrite& r : rewrites()) {
        EXPECT_FALSE(r.save(folder)) << r.file << ": a full disk is no success";
        EXPECT_EQ(kubtest::readFileBytes(folder + "/" + r.file), oldContent(r.file)) << r.file;
        EXPECT_FALSE(kub::fileExists(folder + "/" + r.file + ".neu")) << r.file;
    }
    freeDisk();
    for (const Rewrite& r : rewrites()) {
        EXPECT_TRUE(r.save(folder)) << r.file;
        EXPECT_NE(kubtest::readFileBytes(folder + "/" + r.file), oldContent(r.file)) << r.file;
    }
}

TEST_F(FileFaults, SideFileInTheWayOrLeftByACrash) {
    ASSERT_EQ(::mkdir((folder + "/Status").c_str(), 0755), 0);
    for (const Rewrite& r : rewrites()) {
        const std::string path = folder + "/" + r.file;
        writeBytes(path, oldContent(r.file));
        // Something that cannot be written or removed where the new file would go.
        ASSERT_EQ(::mkdir((path + ".neu").c_str(), 0755), 0);
        writeBytes(path + ".neu/x", "x");
        EXPECT_FALSE(r.save(folder)) << r.file;
        EXPECT_EQ(kubtest::readFileBytes(path), oldContent(r.file)) << r.file;
        kubtest::removeTree(path + ".neu");
        // A crash between writing the side file and putting it in place leaves a
        // half-written side file: the next start reads the old file, the next save
        // replaces it.
        writeBytes(path + ".neu", "halb geschrie");
        EXPECT_TRUE(r.save(folder)) << r.file;
        EXPECT_FALSE(kub::fileExists(path + ".neu")) << r.file;
    }
    // What the start-up reads after such a crash is the old file.
    writeBytes(folder + "/Wachen.txt", "Wache Alt\r\n");
    writeBytes(folder + "/Wachen.txt.neu", "Wache Ne");
    EXPECT_EQ(kub::loadStationNames(folder)[0], "Wache Alt");
}

}  // namespace
