// The headless monitor "kubmon run" against real components: the sound server with the
// virtual receiver (from run_capture_e2e.sh), a TCP server of the user's own, an FTP
// server (pyftpdlib) and generated radio traffic played into the receiver with paplay.
// Also: a recording replayed, a monitor killed in the middle of traffic, a program folder
// that turns read-only, and the receiver pulled out while capturing.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "common/clock.h"
#include "common/program_folder.h"
#include "capture/audio_file.h"
#include "storage/day_log.h"
#include "storage/settings.h"
#include "storage/text_file.h"
#include "storage/vehicle_table.h"
#include "support/line_server.h"
#include "support/program_folder.h"
#include "support/event_wait.h"
#include "support/run_process.h"

namespace {

using kubtest::runProcess;

using kubtest::waitFor;

// Time that must pass with nothing more said: the second half of a check that something
// happens only once, never a wait for something to be ready.
void letPass(int ms) {
    waitFor([] { return false; }, ms);
}

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

class Folder {
public:
    Folder() : path_(kubtest::makeTempDir("kubrun")) {}
    ~Folder() { kubtest::removeTree(path_); }
    const std::string& path() const { return path_; }
    void write(const std::string& rel, const std::vector<std::string>& lines) const {
        ASSERT_TRUE(kub::writeTextLines(path_ + "/" + rel, lines));
    }
    std::vector<std::string> read(const std::string& rel) const {
        return kub::readTextLines(path_ + "/" + rel).value_or(std::vector<std::string>{});
    }
    std::vector<std::string> log(kub::LogKind kind) const {
        return read("Logbuch/" + kub::dayLogFileName(kind, kub::WallClock().now()));
    }

private:
    std::string path_;
};

// The vehicles and receivers of a small fire brigade.
void writeData(const Folder& f) {
    f.write("Fzg.txt", {"Löschzug Süd\t\t", "HLF Süd 1\tHilfeleistung\t623B1234", "RTW Nord\tRettungswagen\t623B5678"});
    f.write("ZVEI.txt", {"12345\tFeuerwehr Musterstadt\t16761024", "1234567\tWehrführer Süd\t12648447"});
}

std::string makeWav(const Folder& f, const std::string& name, const std::string& items) {
    const std::string wav = f.path() + "/" + name;
    const auto r = runProcess(std::string(KUBMON_EXE) + " gen " + wav + " " + items);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return wav;
}

// Mixed traffic on both channels: FMS and ZVEI on the left, FMS and POCSAG on the right.
const char* kTraffic =
    "left gap:500 fms:623B1234:3:0:1 gap:1000 zvei:12345 gap:800 "
    "right gap:300 fms:623B5678:2:0:1 gap:800 'poc1200:1234567:3:Brand Hauptstrasse 5' gap:800 sync gap:500";

int receiverIndex() {
    const auto r = runProcess(std::string(KUBMON_EXE) + " devices");
    for (const std::string& line : kubtest::splitLines(r.out)) {
        const std::size_t tab = line.find('\t');
        if (tab != std::string::npos && line.substr(tab + 1) == "Funkempfaenger") return std::stoi(line.substr(0, tab));
    }
    return -1;
}

// pyftpdlib on a free loopback port; the user "wache" may write.
class FtpServer {
public:
    FtpServer() : root_(kubtest::makeTempDir("kubftp")) {
        static const char* script =
            "import sys, logging\n"
            "from pyftpdlib.authorizers import DummyAuthorizer\n"
            "from pyftpdlib.handlers import FTPHandler\n"
            "from pyftpdlib.servers import FTPServer\n"
            "logging.disable(logging.CRITICAL)\n"
            "a = DummyAuthorizer(); a.add_user('wache', 'geheim', sys.argv[1], perm='elradfmw')\n"
            "FTPHandler.authorizer = a\n"
            "s = FTPServer(('127.0.0.1', 0), FTPHandler)\n"
            "print(s.socket.getsockname()[1], flush=True)\n"
            "s.serve_forever()\n";
        // The system's Python, which has the Debian package, whatever else is on PATH.
        const QString python = QFile::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                                                : QStringLiteral("python3");
        process_.setStandardErrorFile(QProcess::nullDevice());
        process_.start(python, {"-c", script, QString::fromStdString(root_)});
        if (!process_.waitForStarted(10000)) return;
        while (!process_.canReadLine() && process_.waitForReadyRead(10000)) {
        }
        port_ = process_.readLine().trimmed().toInt();
    }
    ~FtpServer() {
        process_.kill();
        process_.waitForFinished(3000);
        kubtest::removeTree(root_);
    }
    bool up() const { return port_ > 0; }
    std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
    std::string page() const { return kubtest::readFileBytes(root_ + "/status.html"); }

private:
    std::string root_;
    QProcess process_;
    int port_ = 0;
};

// One "kubmon run", its stdout and stderr as they come.
class Monitor {
public:
    explicit Monitor(const std::string& folder, QStringList extra = {},
                     const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
        p_.setProcessEnvironment(env);
        QObject::connect(&p_, &QProcess::readyReadStandardOutput, [this] { out += p_.readAllStandardOutput().toStdString(); });
        QObject::connect(&p_, &QProcess::readyReadStandardError, [this] { err += p_.readAllStandardError().toStdString(); });
        p_.start(QStringLiteral(KUBMON_EXE), QStringList{"run", "--folder", QString::fromStdString(folder)} + extra);
        p_.waitForStarted(5000);
    }
    ~Monitor() {
        if (p_.state() != QProcess::NotRunning) {
            p_.kill();
            p_.waitForFinished(3000);
        }
    }
    std::vector<std::string> lines() const { return kubtest::splitLines(out); }
    bool saw(const std::string& text, int ms) {
        return waitFor([&] { return out.find(text) != std::string::npos; }, ms);
    }
    bool said(const std::string& text, int ms) {
        return waitFor([&] { return err.find(text) != std::string::npos; }, ms);
    }
    bool capturing() { return said("Aufnahme läuft", 10000); }
    void signal(int sig) { ::kill(static_cast<pid_t>(p_.processId()), sig); }
    // The exit status once it has ended by itself or after `sig`; -1 when it did not end.
    // A monitor still running after the time says so in `err`, one that crashed gives its signal:
    // the two faults look alike from the exit status alone.
    int end(int sig = 0, int ms = 20000) {
        if (sig != 0) signal(sig);
        if (!waitFor([&] { return p_.state() == QProcess::NotRunning; }, ms)) {
            err += "[test: still running after " + std::to_string(ms) + " ms]\n";
            return -1;
        }
        // Ended: what it wrote last is all in the pipes now.
        out += p_.readAllStandardOutput().toStdString();
        err += p_.readAllStandardError().toStdString();
        if (p_.exitStatus() != QProcess::NormalExit) {
            err += "[test: crashed: " + p_.errorString().toStdString() + "]\n";
            return -1;
        }
        return p_.exitCode();
    }
    bool running() const { return p_.state() != QProcess::NotRunning; }
    std::string out;
    std::string err;

private:
    QProcess p_;
};

void play(const std::string& wav) {
    const auto r = runProcess("paplay -d radio " + wav);
    ASSERT_EQ(r.exitCode, 0) << r.err;
}

kub::Settings monitorSettings(int device) {
    kub::Settings s = kub::defaultSettings();
    s.deviceIndex = static_cast<std::int16_t>(device);
    s.fmsLeft = s.zveiLeft = s.pocsagLeft = s.fmsRight = s.zveiRight = s.pocsagRight = 1;
    return s;
}

// The export lines on stdout, every one also over TCP, the day logs, the status files
// and the page in the folder and on the FTP server, all of the traffic above.
void checkTraffic(const Folder& f, const Monitor& m, const std::string& tcp, const FtpServer& ftp) {
    const auto lines = m.lines();
    std::string all;
    for (const auto& l : lines) all += l + "\n";
    EXPECT_NE(all.find("##FMS#623B1234#3#"), std::string::npos) << all;
    EXPECT_NE(all.find("##FMS#623B5678#2#"), std::string::npos) << all;
    EXPECT_NE(all.find("##ZVEI#12345#Feuerwehr Musterstadt#+"), std::string::npos) << all;
    EXPECT_NE(all.find("##POC#1234567#3#Brand Hauptstrasse 5#+"), std::string::npos) << all;
    // The same lines over TCP (cp1252, no terminator; channels may interleave).
    std::vector<std::string> sent;
    for (std::size_t at = 0, end; (end = tcp.find("#+", at)) != std::string::npos; at = end + 2)
        sent.push_back(kub::cp1252ToUtf8(tcp.substr(at, end + 2 - at)));
    std::vector<std::string> shown = lines;
    std::sort(sent.begin(), sent.end());
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(sent, shown) << tcp;

    // Day logs: one row per reception of the kind.
    const auto fms = f.log(kub::LogKind::Fms);
    EXPECT_EQ(fms.size(), count(all, "##FMS#"));
    std::string fmsRows;
    for (const auto& r : fms) fmsRows += r + "\n";
    EXPECT_NE(fmsRows.find("HLF Süd 1\tHilfeleistung\t623B1234\t3\t"), std::string::npos) << fmsRows;
    EXPECT_NE(fmsRows.find("RTW Nord\tRettungswagen\t623B5678\t2\t"), std::string::npos) << fmsRows;
    const auto zvei = f.log(kub::LogKind::Zvei);
    ASSERT_EQ(zvei.size(), 1u);
    EXPECT_EQ(zvei[0].rfind("12345\tFeuerwehr Musterstadt\t", 0), 0u) << zvei[0];
    const auto poc = f.log(kub::LogKind::Pocsag);
    ASSERT_EQ(poc.size(), 1u);
    EXPECT_EQ(poc[0].rfind("1234567\t3\tWehrführer Süd\t", 0), 0u) << poc[0];
    EXPECT_NE(poc[0].find("\tBrand Hauptstrasse 5"), std::string::npos) << poc[0];

    // Status files: the board as it is after the traffic.
    kub::VehicleTable table;
    ASSERT_TRUE(kub::loadVehicleTable(f.path(), table));
    kub::loadStatusFiles(f.path(), table);
    EXPECT_EQ(table.vehicleTable[1].status, 3);
    EXPECT_EQ(table.vehicleTable[2].status, 2);

    // The page: in the folder and, byte for byte, on the server.
    const std::string page = kubtest::readFileBytes(f.path() + "/status.html");
    EXPECT_NE(page.find("Brand Hauptstrasse 5"), std::string::npos) << page;
    EXPECT_NE(page.find(kub::utf8ToCp1252("HLF Süd 1")), std::string::npos) << page;
    EXPECT_EQ(ftp.page(), page);
}

class RunEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("PULSE_SERVER")) << "run through run_capture_e2e.sh";
        writeData(folder);
    }
    Folder folder;
};

// The HTML page on, uploaded to the test's FTP server as its user "wache".
kub::Settings uploadingTo(const FtpServer& ftp, kub::Settings s) {
    s.htmlExport = 1;
    s.ftpHost = ftp.host();
    s.ftpLogin = "wache";
    s.ftpPassword = "geheim";
    return s;
}

TEST_F(RunEndToEnd, CapturesTrafficExportsLogsAndUploadsThenStopsOnSigterm) {
    const int device = receiverIndex();
    ASSERT_GE(device, 0) << "kubmon devices lists no \"Funkempfaenger\"";
    FtpServer ftp;
    ASSERT_TRUE(ftp.up()) << "FTP-Server (python3-pyftpdlib) startet nicht";
    kubtest::LineServer tcp;
    ASSERT_TRUE(tcp.listen());
    kub::Settings s = kubtest::tcpExportTo(tcp.port(), monitorSettings(device));
    s = uploadingTo(ftp, s);
    ASSERT_TRUE(kub::saveSettings(folder.path(), s));
    const std::string wav = makeWav(folder, "funk.wav", kTraffic);

    Monitor m(folder.path(), {"--takt", "2"});
    ASSERT_TRUE(m.capturing()) << m.err;
    ASSERT_TRUE(waitFor([&] { return tcp.connections() >= 1; }, 5000)) << "the TCP export did not connect";

    // A second monitor on the same folder is refused, the first goes on.
    const auto second = runProcess(std::string(KUBMON_EXE) + " run --folder " + folder.path());
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_NE(second.err.find("Server läuft schon !"), std::string::npos) << second.err;

    play(wav);
    ASSERT_TRUE(m.saw("##POC#1234567#3#Brand Hauptstrasse 5#+", 5000)) << m.out << m.err;
    ASSERT_TRUE(m.saw("##ZVEI#12345#", 2000)) << m.out;
    // The page with the pager text reaches the server at the next housekeeping pass.
    ASSERT_TRUE(waitFor([&] { return ftp.page().find("Brand Hauptstrasse 5") != std::string::npos; }, 15000))
        << m.err;
    ASSERT_TRUE(waitFor([&] { return count(tcp.received, "#+") >= m.lines().size(); }, 5000)) << tcp.received << m.err;
    ASSERT_EQ(m.end(SIGTERM), 0) << m.err;
    EXPECT_NE(m.err.find("kubmon run: beendet."), std::string::npos) << m.err;
    checkTraffic(folder, m, tcp.received, ftp);
    // Stopped means stopped: the folder's lock is free again.
    kub::FolderLock lock;
    EXPECT_EQ(lock.acquire(folder.path()), kub::FolderLock::Result::Acquired);
}

TEST_F(RunEndToEnd, ReplaysARecordingAtRealTimeThroughTheSamePath) {
    FtpServer ftp;
    ASSERT_TRUE(ftp.up());
    kubtest::LineServer tcp;
    ASSERT_TRUE(tcp.listen());
    kub::Settings s = kubtest::tcpExportTo(tcp.port(), monitorSettings(-1));  // no sound card needed
    s = uploadingTo(ftp, s);
    ASSERT_TRUE(kub::saveSettings(folder.path(), s));
    const std::string wav = makeWav(folder, "funk.wav", kTraffic);
    std::vector<std::int16_t> samples;
    std::string error;
    ASSERT_TRUE(kub::readAudioFile(wav, samples, error)) << error;
    const double seconds = static_cast<double>(samples.size()) / 2 / 22050;

    QElapsedTimer took;
    took.start();
    Monitor m(folder.path(), {"--input", QString::fromStdString(wav), "--takt", "60"});
    ASSERT_EQ(m.end(0, 30000), 0) << m.err;
    // At the pace of a sound card, not as fast as the file can be read.
    EXPECT_GE(took.elapsed(), static_cast<qint64>(seconds * 1000 * 0.95));
    EXPECT_NE(m.err.find("Aufzeichnung zu Ende."), std::string::npos) << m.err;
    checkTraffic(folder, m, tcp.received, ftp);
}

// Dial-up mode: nobody is there to pick a connection, so the first of the phone book is
// dialled, the page goes up, and the connection is hung up again. nmcli is a script that
// plays NetworkManager (a LAN, then two dial-up profiles).
TEST_F(RunEndToEnd, DialUpModeDialsTheFirstProfileUploadsAndHangsUp) {
    FtpServer ftp;
    ASSERT_TRUE(ftp.up());
    const std::string bin = folder.path() + "/bin";
    std::filesystem::create_directories(bin);
    std::ofstream(bin + "/nmcli") << "#!/bin/sh\n"
                                     "echo \"$*\" >> '" << bin << "/nmcli.log'\n"
                                     "case \"$*\" in\n"
                                     "  *'connection show --active'*) echo 'LAN:802-3-ethernet:activated'\n"
                                     "    [ -f '" << bin << "/up' ] && cat '" << bin << "/up'; exit 0 ;;\n"
                                     "  *'connection show'*) printf 'LAN:802-3-ethernet\\nDSL:pppoe\\nMobil:gsm\\n'; exit 0 ;;\n"
                                     "  *'connection up id DSL'*) echo 'DSL:pppoe:activated' > '" << bin << "/up'; exit 0 ;;\n"
                                     "  *'connection down id DSL'*) rm -f '" << bin << "/up'; exit 0 ;;\n"
                                     "esac\n"
                                     "exit 4\n";
    std::filesystem::permissions(bin + "/nmcli", std::filesystem::perms::owner_all);
    kub::Settings s = monitorSettings(-1);
    s.htmlExport = 1;
    s.dialUp = 1;
    s.ftpHost = ftp.host();
    s.ftpLogin = "wache";
    s.ftpPassword = "geheim";
    ASSERT_TRUE(kub::saveSettings(folder.path(), s));
    const std::string wav = makeWav(folder, "kurz.wav", "left gap:300 fms:623B1234:7:0:1 gap:300");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PATH"), QString::fromStdString(bin) + ":" + env.value(QStringLiteral("PATH")));

    Monitor m(folder.path(), {"--input", QString::fromStdString(wav)}, env);
    ASSERT_EQ(m.end(0, 30000), 0) << m.err;
    EXPECT_NE(m.out.find("##FMS#623B1234#7#"), std::string::npos) << m.out;
    const std::string log = kubtest::readFileBytes(bin + "/nmcli.log");
    const std::size_t up = log.find("connection up id DSL");
    const std::size_t down = log.find("connection down id DSL");
    ASSERT_NE(up, std::string::npos) << log;
    ASSERT_NE(down, std::string::npos) << log;
    EXPECT_LT(up, down) << log;
    EXPECT_EQ(log.find("connection up id Mobil"), std::string::npos) << log;
    EXPECT_FALSE(std::filesystem::exists(bin + "/up")) << "still dialled in";
    EXPECT_EQ(ftp.page(), kubtest::readFileBytes(folder.path() + "/status.html"));
    EXPECT_NE(ftp.page().find(kub::utf8ToCp1252("HLF Süd 1")), std::string::npos);
}

TEST_F(RunEndToEnd, KilledInTrafficRestartsWithTheDaysReceptionsAndLastStatuses) {
    const int device = receiverIndex();
    ASSERT_GE(device, 0);
    kub::Settings s = monitorSettings(device);
    s.htmlExport = 1;
    ASSERT_TRUE(kub::saveSettings(folder.path(), s));
    const std::string wav = makeWav(folder, "lang.wav",
                                    "left gap:300 fms:623B1234:1:0:1 gap:700 zvei:12345 gap:700 fms:623B1234:2:0:1 "
                                    "gap:700 fms:623B5678:3:0:1 gap:700 fms:623B1234:4:0:1 gap:700 fms:623B5678:1:0:1 "
                                    "gap:700 fms:623B1234:6:0:1 gap:700 fms:623B5678:2:0:1 gap:700 fms:623B1234:3:0:1 gap:500");
    auto m = std::make_unique<Monitor>(folder.path(), QStringList{"--takt", "1"});
    ASSERT_TRUE(m->capturing()) << m->err;
    QProcess player;
    player.start(QStringLiteral("paplay"), {"-d", "radio", QString::fromStdString(wav)});
    ASSERT_TRUE(waitFor([&] { return count(m->out, "##FMS#") >= 3; }, 15000)) << m->out;
    ASSERT_EQ(m->end(SIGKILL), -1);
    const std::size_t printed = m->lines().size();
    player.kill();
    player.waitForFinished(3000);
    m.reset();

    // Everything shown before the kill is on disk (a reception is logged before it is
    // shown; one more may have made it to the log only).
    const auto fms = folder.log(kub::LogKind::Fms);
    const auto zvei = folder.log(kub::LogKind::Zvei);
    ASSERT_GE(fms.size() + zvei.size(), printed);
    ASSERT_LE(fms.size() + zvei.size(), printed + 1);
    // The last status of each vehicle in the log is the one in its status file.
    kub::VehicleTable table;
    ASSERT_TRUE(kub::loadVehicleTable(folder.path(), table));
    kub::loadStatusFiles(folder.path(), table);
    for (const auto& [slot, kennung] : {std::pair{1, std::string("623B1234")}, std::pair{2, std::string("623B5678")}}) {
        int last = 6;  // no reception: the status file is missing, the board shows 6
        for (const auto& row : fms) {
            const auto cells = kub::splitTabs(row);
            if (cells.size() > 4 && cells[2] == kennung) last = std::stoi(cells[3]);
        }
        EXPECT_EQ(table.vehicleTable[static_cast<std::size_t>(slot)].status, last) << kennung;
    }

    // The restarted monitor reloads the day and shows it on its page.
    Monitor back(folder.path(), {"--takt", "1"});
    const std::string summary = "heute bisher " + std::to_string(fms.size()) + " FMS, " +
                                std::to_string(zvei.size()) + " ZVEI, 0 POCSAG.";
    EXPECT_TRUE(back.said(summary, 5000)) << back.err;
    EXPECT_TRUE(waitFor([&] {
        return kubtest::readFileBytes(folder.path() + "/status.html").find("Feuerwehr Musterstadt") != std::string::npos;
    }, 5000)) << "page without the reloaded ZVEI row";
    ASSERT_TRUE(back.capturing()) << back.err;
    EXPECT_EQ(back.end(SIGINT), 0) << back.err;
}

// A bind mount over the folder made read-only, undone at the end whatever happens.
class ReadOnlyMount {
public:
    explicit ReadOnlyMount(const std::string& dir) : dir_(dir) {
        if (runProcess("mount --bind " + dir + " " + dir).exitCode != 0) return;
        mounted_ = true;
        readOnly_ = runProcess("mount -o remount,ro,bind " + dir).exitCode == 0;
    }
    ~ReadOnlyMount() { release(); }
    bool readOnly() const { return readOnly_; }
    void release() {
        if (mounted_) runProcess("umount " + dir_);
        mounted_ = readOnly_ = false;
    }

private:
    std::string dir_;
    bool mounted_ = false;
    bool readOnly_ = false;
};

TEST_F(RunEndToEnd, ReadOnlyFolderIsSaidOnceDecodingGoesOnAndWritingComesBack) {
    const int device = receiverIndex();
    ASSERT_GE(device, 0);
    kubtest::LineServer tcp;
    ASSERT_TRUE(tcp.listen());
    kub::Settings s = kubtest::tcpExportTo(tcp.port(), monitorSettings(device));
    s.htmlExport = 1;
    ASSERT_TRUE(kub::saveSettings(folder.path(), s));
    const std::string before = makeWav(folder, "vorher.wav", "left gap:300 fms:623B1234:1:0:1 gap:600");
    const std::string during = makeWav(folder, "waehrend.wav",
                                       "left gap:300 fms:623B1234:2:0:1 gap:600 zvei:12345 gap:600 "
                                       "'poc1200:1234567:3:Probealarm' gap:600");
    const std::string after = makeWav(folder, "nachher.wav", "left gap:300 fms:623B1234:3:0:1 gap:600");

    Monitor m(folder.path(), {"--takt", "1"});
    ASSERT_TRUE(m.capturing()) << m.err;
    play(before);
    ASSERT_TRUE(m.saw("##FMS#623B1234#1#", 5000)) << m.out;
    {
        ReadOnlyMount ro(folder.path());
        if (!ro.readOnly()) GTEST_SKIP() << "no bind mount here (needs root with mount rights)";
        play(during);
        // Decoding and the exports go on; the fault is one line, however many writes fail.
        ASSERT_TRUE(m.saw("##POC#1234567#3#Probealarm#+", 5000)) << m.out;
        ASSERT_TRUE(m.saw("##ZVEI#12345#", 2000)) << m.out;
        ASSERT_TRUE(m.saw("##FMS#623B1234#2#", 2000)) << m.out;
        letPass(2500);  // housekeeping passes fail to write the page meanwhile
        EXPECT_EQ(count(m.err, "nicht geschrieben"), 1u) << m.err;
        EXPECT_TRUE(m.running());
    }
    play(after);
    ASSERT_TRUE(m.saw("##FMS#623B1234#3#", 5000)) << m.out;
    EXPECT_TRUE(m.said("wieder geschrieben", 2000)) << m.err;
    EXPECT_EQ(count(m.err, "nicht geschrieben"), 1u) << m.err;
    ASSERT_EQ(m.end(SIGTERM), 0) << m.err;

    // What reached the disk before the fault is still there, and writing resumed.
    const auto fms = folder.log(kub::LogKind::Fms);
    std::string rows;
    for (const auto& r : fms) rows += r + "\n";
    EXPECT_NE(rows.find("\t623B1234\t1\t"), std::string::npos) << rows;
    EXPECT_EQ(rows.find("\t623B1234\t2\t"), std::string::npos) << rows;
    EXPECT_NE(rows.find("\t623B1234\t3\t"), std::string::npos) << rows;
    kub::VehicleTable table;
    ASSERT_TRUE(kub::loadVehicleTable(folder.path(), table));
    kub::loadStatusFiles(folder.path(), table);
    EXPECT_EQ(table.vehicleTable[1].status, 3);
    // Every reception went out over TCP, written or not.
    EXPECT_EQ(count(tcp.received, "#+"), m.lines().size()) << tcp.received;
}

TEST_F(RunEndToEnd, VanishedReceiverIsSaidOnceAndCaptureResumesWhenItIsBack) {
    const int device = receiverIndex();
    ASSERT_GE(device, 0);
    ASSERT_TRUE(kub::saveSettings(folder.path(), monitorSettings(device)));
    // A lead-in long enough for the stream that was just opened again to be flowing.
    const std::string wav = makeWav(folder, "funk.wav", "right gap:800 fms:623B5678:4:0:1 gap:600");
    Monitor m(folder.path(), {"--takt", "1"});
    ASSERT_TRUE(m.capturing()) << m.err;

    ASSERT_EQ(runProcess("pactl unload-module module-remap-source").exitCode, 0);
    ASSERT_TRUE(m.said("liefert keine Daten mehr", 10000)) << m.err;
    letPass(4500);  // two retries while it is away: no further lines
    EXPECT_EQ(count(m.err, "Funkempfaenger\""), 2u) << m.err;  // "läuft" and "keine Daten"
    EXPECT_TRUE(m.running());

    ASSERT_EQ(runProcess("pactl load-module module-remap-source master=radio.monitor source_name=radio_in "
                         "source_properties=device.description=Funkempfaenger")
                  .exitCode,
              0);
    ASSERT_TRUE(m.said("Aufnahme läuft wieder: \"Funkempfaenger\".", 10000)) << m.err;
    play(wav);
    EXPECT_TRUE(m.saw("##FMS#623B5678#4#", 5000)) << m.out << m.err;
    EXPECT_EQ(m.end(SIGTERM), 0) << m.err;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
