// The web upload end to end: the script file, our FTP client as a separate process, a
// real FTP server (pyftpdlib) on 127.0.0.1, and the dial-up around it driven through a
// stand-in for nmcli.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/stat.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QProcess>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "core/headless_window.h"
#include "common/time_text.h"
#include "platform/qt_process_runner.h"
#include "support/no_wait_pause.h"
#include "support/qt_app.h"
#include "support/run_process.h"
#include "web/ftp_script.h"
#include "web/ftp_upload.h"

namespace kub {
namespace {

TEST(FtpScript, FileNameAndLines) {
    LocalTime t{2026, 12, 7, 12, 0, 7};
    EXPECT_EQ(ftpScriptName(t), "ftp07.dat");
    t.second = 59;
    EXPECT_EQ(ftpScriptName(t), "ftp59.dat");

    Settings s = defaultSettings();
    s.ftpLogin = "wache";
    s.ftpPassword = "geheim";
    s.ftpFolder = "kub";
    EXPECT_EQ(ftpScriptLines(s, "/opt/kub/status.html"),
              (std::vector<std::string>{"wache", "geheim", "bin", "cd kub", "dir", "put /opt/kub/status.html",
                                        "disconnect", "quit"}));
    s.ftpFolder = "";
    EXPECT_EQ(ftpScriptLines(s, "/opt/kub/status.html"),
              (std::vector<std::string>{"wache", "geheim", "bin", "put /opt/kub/status.html", "disconnect", "quit"}));
}

TEST(FtpScript, ReadLikeTheClassicClient) {
    const FtpScript sc = parseFtpScript({"wache", " geheim ", "BIN", "", "cd  web/kub ", "put \"/a b/status.html\" x.html",
                                         "quit"});
    EXPECT_EQ(sc.login, "wache");
    EXPECT_EQ(sc.password, " geheim ");  // taken as written
    ASSERT_EQ(sc.commands.size(), 4u);
    EXPECT_EQ(sc.commands[0].verb, "bin");
    EXPECT_EQ(sc.commands[1].rest, "web/kub");
    EXPECT_EQ(splitFtpWords(sc.commands[2].rest), (std::vector<std::string>{"/a b/status.html", "x.html"}));
    EXPECT_EQ(fileNamePart("/opt/kub/status.html"), "status.html");
    EXPECT_EQ(fileNamePart("C:\\KUB\\status.html"), "status.html");

    auto h = parseFtpHost("127.0.0.1:2121");
    ASSERT_TRUE(h);
    EXPECT_EQ(h->host, "127.0.0.1");
    EXPECT_EQ(h->port, 2121);
    h = parseFtpHost("ftp.example.org");
    ASSERT_TRUE(h);
    EXPECT_EQ(h->port, 21);
    h = parseFtpHost("[::1]:2121");
    ASSERT_TRUE(h);
    EXPECT_EQ(h->host, "::1");
    EXPECT_EQ(parseFtpHost("::1")->host, "::1");
    EXPECT_FALSE(parseFtpHost(""));
    EXPECT_FALSE(parseFtpHost("host:"));
    EXPECT_FALSE(parseFtpHost("host:99999"));
    EXPECT_FALSE(parseFtpHost("host:21x"));
}

class RecordingRunner final : public ProcessRunner {
public:
    ProcessOutcome run(const std::string& program, const std::vector<std::string>&) override {
        programs.push_back(program);
        return {};
    }
    std::vector<std::string> programs;
};

// Runs the real client and keeps what the script held, and who could read it, while
// the client ran.
class ScriptPeekRunner final : public ProcessRunner {
public:
    ProcessOutcome run(const std::string& program, const std::vector<std::string>& args) override {
        for (const auto& a : args) {
            if (a.rfind("-s:", 0) != 0) continue;
            path = a.substr(3);
            script = kubtest::readFileBytes(path);
            struct stat st {};
            if (::stat(path.c_str(), &st) == 0) mode = st.st_mode & 07777;
        }
        return real.run(program, args);
    }
    QtProcessRunner real;
    std::string path, script;
    unsigned mode = 0;
};

// 12:00:07 somewhere: the seconds do not depend on the time zone.
constexpr double kAtSeven = 1764999967.0;

class FtpUploadTest : public ::testing::Test {
protected:
    void SetUp() override {
        kubtest::ensureQtApp();
        settings.ftpHost = "127.0.0.1:1";
        settings.ftpLogin = "wache";
        settings.ftpPassword = "geheim";
        std::ofstream(folder + "/status.html", std::ios::binary) << page;
    }
    void TearDown() override { kubtest::removeTree(folder); }

    FtpUploadContext context(ProcessRunner& runner) {
        FtpUploadContext c{settings, folder, clock, window, runner, pause, dialUp, KUBMON_EXE, {"ftp"}, 5000};
        return c;
    }
    std::string stamped(const std::string& text) { return timeText(clock.now()) + " " + text; }

    std::string folder = kubtest::makeTempDir("kub-upload");
    std::string page = "<html><body>KUB-Monitor Ä</body></html>\r\n";
    Settings settings = defaultSettings();
    ManualClock clock{kAtSeven};
    HeadlessWindow window;
    kubtest::NoWaitPause pause;
    NoDialUp dialUp;
};

TEST_F(FtpUploadTest, ChecksComeFirstAndStartNothing) {
    RecordingRunner runner;
    auto ctx = context(runner);
    settings.ftpHost = "";
    EXPECT_EQ(runFtpUpload(ctx, folder + "/status.html"), UploadResult::NotStarted);
    settings.ftpHost = "127.0.0.1";
    settings.ftpLogin = "";
    EXPECT_EQ(runFtpUpload(ctx, folder + "/status.html"), UploadResult::NotStarted);
    settings.ftpLogin = "wache";
    EXPECT_EQ(runFtpUpload(ctx, folder + "/fehlt.html"), UploadResult::NotStarted);
    EXPECT_EQ(window.uploadMessages,
              (std::vector<std::string>{stamped("Datei nicht übertragen-> kein Hostname angegeben"),
                                        stamped("Datei nicht übertragen-> kein Login vorhanden"),
                                        stamped("Fehler: Datei nicht übertragen")}));
    EXPECT_TRUE(runner.programs.empty());
    EXPECT_FALSE(std::filesystem::exists(folder + "/ftp07.dat"));
    EXPECT_TRUE(pause.pauses.empty());
}

TEST_F(FtpUploadTest, MissingClientIsReportedNotClaimedAsSent) {
    QtProcessRunner runner;
    auto ctx = context(runner);
    ctx.ftpProgram = folder + "/kein-ftp";
    EXPECT_EQ(runFtpUpload(ctx, folder + "/status.html"), UploadResult::NotStarted);
    EXPECT_TRUE(window.uploadMessages.empty());
    ASSERT_EQ(window.messageBoxes.size(), 1u);
    EXPECT_EQ(window.messageBoxes[0].first.rfind("Fehler bei der Übertragung: 53=", 0), 0u);
}

// A real FTP server on a free loopback port, with a user who may write and one who may not.
class FtpServer {
public:
    static bool available() {
        return kubtest::runProcess(python() + " -c 'import pyftpdlib' 2>/dev/null").exitCode == 0;
    }
    static std::string python() { return std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3"; }

    explicit FtpServer(const std::string& root) {
        process_.setProgram(QString::fromStdString(python()));
        process_.setArguments({"-c", QString::fromUtf8(R"PY(
import sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
import logging
logging.disable(logging.CRITICAL)
a = DummyAuthorizer()
a.add_user('wache', 'geheim', sys.argv[1], perm='elradfmw')
a.add_user('gast', 'gast', sys.argv[1], perm='elr')
FTPHandler.authorizer = a
s = FTPServer(('127.0.0.1', 0), FTPHandler)
print(s.socket.getsockname()[1], flush=True)
s.serve_forever()
)PY"), QString::fromStdString(root)});
        process_.setStandardErrorFile(QProcess::nullDevice());
        process_.start();
        if (!process_.waitForStarted(10000)) return;
        while (!process_.canReadLine() && process_.waitForReadyRead(10000)) {
        }
        port_ = process_.readLine().trimmed().toInt();
    }
    ~FtpServer() {
        process_.kill();
        process_.waitForFinished(5000);
    }
    int port() const { return port_; }
    std::string host() const { return "127.0.0.1:" + std::to_string(port_); }

private:
    QProcess process_;
    int port_ = 0;
};

class FtpServerTest : public FtpUploadTest {
protected:
    void SetUp() override {
        FtpUploadTest::SetUp();
        if (!FtpServer::available()) GTEST_SKIP() << "python3-pyftpdlib is not installed";
        std::filesystem::create_directories(root + "/kub");
        server = std::make_unique<FtpServer>(root);
        ASSERT_GT(server->port(), 0);
        settings.ftpHost = server->host();
    }
    void TearDown() override {
        server.reset();
        kubtest::removeTree(root);
        FtpUploadTest::TearDown();
    }
    std::string root = kubtest::makeTempDir("kub-ftproot");
    std::unique_ptr<FtpServer> server;
    ScriptPeekRunner runner;
};

TEST_F(FtpServerTest, StatusPageLandsInTheTargetFolder) {
    settings.ftpFolder = "kub";
    auto ctx = context(runner);
    int ticks = 0;
    QTimer capture;  // stands for the capture blocks that keep coming during the upload
    QObject::connect(&capture, &QTimer::timeout, &capture, [&] { ++ticks; });
    capture.start(5);
    EXPECT_EQ(runFtpUpload(ctx, folder + "/status.html"), UploadResult::Transferred);
    capture.stop();
    EXPECT_EQ(window.uploadMessages, (std::vector<std::string>{stamped("Datei übertragen")}));
    EXPECT_EQ(kubtest::readFileBytes(root + "/kub/status.html"), page);
    EXPECT_GT(ticks, 0);
    EXPECT_EQ(pause.pauses, (std::vector<int>{5000}));
    EXPECT_EQ(runner.path, folder + "/ftp07.dat");
    EXPECT_EQ(runner.script, "wache\r\ngeheim\r\nbin\r\ncd kub\r\ndir\r\nput " + folder +
                                 "/status.html\r\ndisconnect\r\nquit\r\n");
}

TEST_F(FtpServerTest, ThePasswordScriptIsTheOwnersAloneAndGoneAfterTheUpload) {
    // Scripts of a run that ended in the middle of an upload go at the next start.
    for (const char* stale : {"ftp00.dat", "ftp31.dat", "ftp59.dat"})
        std::ofstream(folder + "/" + stale) << "wache\r\ngeheim\r\n";
    removeFtpScripts(folder);
    for (const char* stale : {"ftp00.dat", "ftp31.dat", "ftp59.dat"})
        EXPECT_FALSE(std::filesystem::exists(folder + "/" + stale)) << stale;
    EXPECT_TRUE(std::filesystem::exists(folder + "/status.html"));

    const mode_t umaskBefore = ::umask(0);  // the most open umask there is
    auto ctx = context(runner);
    EXPECT_EQ(runFtpUpload(ctx, folder + "/status.html"), UploadResult::Transferred);
    settings.ftpPassword = "falsch";
    EXPECT_EQ(runFtpUpload(ctx, folder + "/status.html"), UploadResult::Failed);
    ::umask(umaskBefore);
    EXPECT_EQ(runner.mode, 0600u);
    EXPECT_NE(runner.script.find("falsch"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder + "/ftp07.dat"));
}

TEST_F(FtpServerTest, WithoutFolderIntoTheLoginFolderEvenWithBlanksInThePath) {
    const std::string spaced = folder + "/KUB Monitor";
    std::filesystem::create_directories(spaced);
    std::ofstream(spaced + "/status.html", std::ios::binary) << page;
    auto ctx = context(runner);
    ctx.programFolder = spaced;
    EXPECT_EQ(uploadStatusPage(ctx), UploadResult::Transferred);
    EXPECT_EQ(kubtest::readFileBytes(root + "/status.html"), page);
    EXPECT_EQ(runner.path, spaced + "/ftp07.dat");
    EXPECT_EQ(runner.script.find("cd "), std::string::npos);
}

TEST_F(FtpServerTest, FailuresAreReportedWithTheirReason) {
    auto ctx = context(runner);
    struct Case {
        const char* what;
        std::function<void()> set;
    };
    const std::vector<Case> cases = {
        {"wrong password", [&] { settings.ftpPassword = "falsch"; }},
        {"read-only user", [&] { settings.ftpLogin = "gast"; settings.ftpPassword = "gast"; }},
        {"missing folder", [&] { settings.ftpFolder = "gibtsnicht"; }},
        {"nobody listening", [&] { settings.ftpHost = "127.0.0.1:1"; }},
    };
    for (const Case& c : cases) {
        settings.ftpLogin = "wache";
        settings.ftpPassword = "geheim";
        settings.ftpFolder = "";
        settings.ftpHost = server->host();
        c.set();
        window.uploadMessages.clear();
        EXPECT_EQ(runFtpUpload(ctx, folder + "/status.html"), UploadResult::Failed) << c.what;
        ASSERT_EQ(window.uploadMessages.size(), 1u) << c.what;
        const std::string prefix = stamped("Datei nicht übertragen-> ");
        const std::string& msg = window.uploadMessages[0];
        EXPECT_EQ(msg.rfind(prefix, 0), 0u) << c.what << ": " << msg;
        EXPECT_GT(msg.size(), prefix.size() + 5) << c.what << ": the reason is missing";
        EXPECT_EQ(msg.find('\n'), std::string::npos);
        EXPECT_FALSE(std::filesystem::exists(root + "/status.html")) << c.what;
    }
}

// nmcli's terse output, played by a script: a LAN that is up, two dial-up profiles, and
// a state file for the one that is dialled.
class FakeNmcli {
public:
    explicit FakeNmcli(const std::string& dir, const std::string& profiles) : dir_(dir) {
        path = dir + "/nmcli";
        std::ofstream(path) << "#!/bin/sh\n"
                               "echo \"$*\" >> '" << dir << "/nmcli.log'\n"
                               "case \"$*\" in\n"
                               "  *'connection show --active'*)\n"
                               "    echo 'Büro-LAN:802-3-ethernet:activated'\n"
                               "    [ -f '" << dir << "/up' ] && cat '" << dir << "/up'\n"
                               "    exit 0 ;;\n"
                               "  *'connection show'*)\n"
                               "    printf '%s' '" << profiles << "'\n"
                               "    exit 0 ;;\n"
                               "  *'connection up id DSL'*)\n"
                               "    echo 'DSL:pppoe:activated' > '" << dir << "/up'; exit 0 ;;\n"
                               "  *'connection up id'*) exit 4 ;;\n"
                               "  *'connection down id'*) rm -f '" << dir << "/up'; exit 0 ;;\n"
                               "esac\n"
                               "exit 2\n";
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    }
    std::string log() const { return kubtest::readFileBytes(dir_ + "/nmcli.log"); }
    void connectOutside() { std::ofstream(dir_ + "/up") << "DSL:pppoe:activated\n"; }
    std::string path;

private:
    std::string dir_;
};

const char* kProfiles = "Büro-LAN:802-3-ethernet\nT-Mobile\\: Daten:gsm\nDSL:pppoe\n";

TEST(NmcliDialUpTest, OnlyDialUpKindsCountAndNoNmcliMeansNotConnected) {
    kubtest::ensureQtApp();
    const std::string dir = kubtest::makeTempDir("kub-nmcli");
    FakeNmcli nmcli(dir, kProfiles);
    QtProcessRunner runner;
    NmcliDialUp dialUp(runner, nmcli.path);
    EXPECT_EQ(dialUp.phoneBook(), (std::vector<std::string>{"T-Mobile: Daten", "DSL"}));
    EXPECT_FALSE(dialUp.isDialUpConnected()) << "the LAN is not a dial-up connection";
    EXPECT_FALSE(dialUp.dial("T-Mobile: Daten"));
    EXPECT_TRUE(dialUp.dial("DSL"));
    EXPECT_TRUE(dialUp.isDialUpConnected());
    dialUp.hangUp("DSL");
    EXPECT_FALSE(dialUp.isDialUpConnected());

    NmcliDialUp missing(runner, dir + "/kein-nmcli");
    EXPECT_TRUE(missing.phoneBook().empty());
    EXPECT_FALSE(missing.isDialUpConnected());
    EXPECT_FALSE(missing.dial("DSL"));
    kubtest::removeTree(dir);
}

TEST_F(FtpServerTest, DialUpDialsUploadsAndHangsUp) {
    settings.dialUp = 1;
    FakeNmcli nmcli(folder, kProfiles);
    NmcliDialUp nm(runner, nmcli.path);
    FtpUploadContext dialCtx{settings, folder, clock, window, runner, pause, nm, KUBMON_EXE, {"ftp"}, 5000};

    window.dialUpChoice = 1;  // "DSL"
    EXPECT_EQ(uploadStatusPage(dialCtx), UploadResult::Transferred);
    EXPECT_EQ(kubtest::readFileBytes(root + "/status.html"), page);
    EXPECT_EQ(window.uploadMessages, (std::vector<std::string>{stamped("Datei übertragen")}));
    EXPECT_NE(nmcli.log().find("connection up id DSL"), std::string::npos);
    EXPECT_NE(nmcli.log().find("connection down id DSL"), std::string::npos);
    EXPECT_FALSE(nm.isDialUpConnected());
    EXPECT_TRUE(window.messageBoxes.empty());

    // Someone else's connection is up: this upload is left alone.
    std::filesystem::remove(root + "/status.html");
    nmcli.connectOutside();
    window.uploadMessages.clear();
    EXPECT_EQ(uploadStatusPage(dialCtx), UploadResult::NotStarted);
    EXPECT_TRUE(window.uploadMessages.empty());
    EXPECT_FALSE(std::filesystem::exists(root + "/status.html"));
    nm.hangUp("DSL");

    // A dial that does not come up, and a dialog closed without dialling.
    for (int choice : {0, -1}) {
        window.dialUpChoice = choice;
        window.messageBoxes.clear();
        EXPECT_EQ(uploadStatusPage(dialCtx), UploadResult::NotStarted);
        ASSERT_EQ(window.messageBoxes.size(), 1u);
        EXPECT_EQ(window.messageBoxes[0],
                  std::make_pair(std::string("DFÜ-Verbindung konnte nicht hergestellt werden!"),
                                 std::string("Änderung zum Webserver kopieren")));
    }
    EXPECT_FALSE(std::filesystem::exists(root + "/status.html"));
}

TEST_F(FtpUploadTest, DialUpWithAnEmptyPhoneBook) {
    settings.dialUp = 1;
    RecordingRunner runner;
    auto ctx = context(runner);
    EXPECT_EQ(uploadStatusPage(ctx), UploadResult::NotStarted);
    ASSERT_EQ(window.messageBoxes.size(), 2u);
    EXPECT_EQ(window.messageBoxes[0].first, "Keine DFÜ-Verbindung vorhanden");
    EXPECT_EQ(window.messageBoxes[1].first, "DFÜ-Verbindung konnte nicht hergestellt werden!");
    EXPECT_TRUE(runner.programs.empty());
}

// The client on its own, against peers that misbehave.
class FtpClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::ofstream(dir + "/s.dat") << "wache\r\ngeheim\r\nbin\r\nput " << dir << "/s.dat\r\nquit\r\n";
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        ASSERT_EQ(::listen(fd, 4), 0);
        socklen_t len = sizeof a;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
    }
    void TearDown() override {
        if (fd >= 0) ::close(fd);
        kubtest::removeTree(dir);
    }
    kubtest::ProcessResult client(const std::string& extra) {
        return kubtest::runProcess(std::string(KUBMON_EXE) + " ftp -v " + extra + " -s:" + dir + "/s.dat 127.0.0.1:" +
                                   std::to_string(port));
    }
    std::string dir = kubtest::makeTempDir("kub-ftpclient");
    int fd = -1;
    int port = 0;
};

TEST_F(FtpClientTest, ServerThatNeverAnswersEndsWithATimeout) {
    // Connected by the system's backlog, never greeted.
    const auto r = client("--timeout=2");
    EXPECT_EQ(r.exitCode, 1);
    ASSERT_EQ(kubtest::splitLines(r.err).size(), 1u) << r.err;
    EXPECT_NE(r.err.find("Anmeldung"), std::string::npos) << r.err;
}

TEST_F(FtpClientTest, ServerThatHangsUpEndsTheRun) {
    std::thread peer([this] {
        const int c = ::accept(fd, nullptr, nullptr);
        if (c < 0) return;
        const char greeting[] = "220 hallo\r\n";
        (void)!::write(c, greeting, sizeof greeting - 1);
        ::close(c);
    });
    const auto r = client("");
    peer.join();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(kubtest::splitLines(r.err).size(), 1u) << r.err;
}
// Bad command lines and scripts: in the table of typed forms (kubmon_help_test.cpp).

}  // namespace
}  // namespace kub
