// `kubmon decode --folder` with the exports of the folder's "Mon.ini" switched on: the
// TCP server, a local-socket listener and the action program all hear every reception.

#include <gtest/gtest.h>

#include "support/program_folder.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "export/local_message_export.h"
#include "storage/settings.h"
#include "storage/text_file.h"
#include "support/line_server.h"
#include "support/qt_app.h"
#include "support/run_process.h"

namespace kub {
namespace {

class DecodeExports : public ::testing::Test {
protected:
    void SetUp() override {
        kubtest::ensureQtApp();
        wav = dir + "/zvei.wav";
        auto r = kubtest::runProcess(std::string(KUBMON_EXE) + " gen '" + wav +
                                     "' left gap:300 zvei:12345 gap:600 zvei:25634 gap:300");
        ASSERT_EQ(r.exitCode, 0) << r.err;
        program = dir + "/aktion.sh";
        std::ofstream(program) << "#!/bin/sh\nprintf '%s\\0' \"$@\" > '" << dir << "/args.'$$\n";
        std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    }
    void TearDown() override { kubtest::removeTree(dir); }

    // Runs the decode as its own process while this one's servers keep answering.
    kubtest::ProcessResult decode() {
        QProcess p;
        p.start(KUBMON_EXE, {"decode", "--folder", QString::fromStdString(dir), QString::fromStdString(wav)});
        EXPECT_TRUE(p.waitForStarted());
        EXPECT_TRUE(kubtest::waitFor([&] { return p.state() == QProcess::NotRunning; }, 60000));
        kubtest::ProcessResult r;
        r.exitCode = p.exitCode();
        r.out = p.readAllStandardOutput().toStdString();
        r.err = p.readAllStandardError().toStdString();
        return r;
    }

    std::set<std::vector<std::string>> actionCalls() {
        std::set<std::vector<std::string>> calls;
        for (const auto& e : std::filesystem::directory_iterator(dir)) {
            if (e.path().filename().string().rfind("args.", 0) != 0) continue;
            std::vector<std::string> args;
            std::string cur;
            for (char c : kubtest::readFileBytes(e.path().string())) {
                if (c == '\0') {
                    args.push_back(cur);
                    cur.clear();
                } else {
                    cur.push_back(c);
                }
            }
            calls.insert(args);
        }
        return calls;
    }

    std::string dir = kubtest::makeTempDir("kub-decode-exports");
    std::string wav;
    std::string program;
};

TEST_F(DecodeExports, EveryReceptionReachesAllThreeExports) {
    kubtest::LineServer server;
    ASSERT_TRUE(server.listen());
    Settings s = kubtest::tcpExportTo(server.port(), kubtest::decodersOn());
    s.windowMessageExport = 1;
    s.windowTitle = "Auswertung/" + std::to_string(QCoreApplication::applicationPid());
    s.actionProgram = program;
    ASSERT_TRUE(saveSettings(dir, s));

    const QString name = QString::fromStdString(localSocketName(s.windowTitle));
    QLocalServer::removeServer(name);
    QLocalServer listener;
    std::vector<std::string> records;
    QObject::connect(&listener, &QLocalServer::newConnection, &listener, [&] {
        while (QLocalSocket* c = listener.nextPendingConnection()) {
            records.emplace_back();
            const std::size_t slot = records.size() - 1;
            QObject::connect(c, &QLocalSocket::readyRead, c, [&records, c, slot] {
                const QByteArray b = c->readAll();
                records[slot].append(b.constData(), static_cast<std::size_t>(b.size()));
            });
        }
    });
    ASSERT_TRUE(listener.listen(name));

    const auto r = decode();
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(kubtest::splitLines(r.out), (std::vector<std::string>{"##ZVEI#12345##+", "##ZVEI#25634##+"}));
    ASSERT_TRUE(kubtest::waitFor([&] { return server.received.size() >= 30; }));
    EXPECT_EQ(server.received, "##ZVEI#12345##+##ZVEI#25634##+");
    ASSERT_TRUE(kubtest::waitFor([&] { return records.size() == 2 && records[1].size() == 24; }));
    EXPECT_EQ(records[0], std::string("\x03\0\0\0\x10\0\0\0##ZVEI#12345##+\0", 24));
    EXPECT_EQ(records[1], std::string("\x03\0\0\0\x10\0\0\0##ZVEI#25634##+\0", 24));
    // The launcher has started both before the decode ended; the script may still run.
    ASSERT_TRUE(kubtest::waitFor([&] { return actionCalls().size() == 2; }));
    EXPECT_EQ(actionCalls(), (std::set<std::vector<std::string>>{{"ZVEI", "12345"}, {"ZVEI", "25634"}}));
}

TEST_F(DecodeExports, FmsGoesOutAndOnlyAKnownVehicleStartsTheProgram) {
    ASSERT_TRUE(writeTextLines(dir + "/Fzg.txt", {"Wache Süd\t\t", "Florian Süd 1\tHLF\t623B1234",
                                                 "RTW\tRettung\t62341234"}));
    wav = dir + "/fms.wav";
    auto g = kubtest::runProcess(std::string(KUBMON_EXE) + " gen '" + wav +
                                 "' gap:100 fms:623B1234:3:0:1 gap:200 fms:62341234:8:1:0 gap:200"
                                 " fms:12345678:7:0:0 gap:200");
    ASSERT_EQ(g.exitCode, 0) << g.err;
    kubtest::LineServer server;
    ASSERT_TRUE(server.listen());
    Settings s = kubtest::tcpExportTo(server.port(), kubtest::decodersOn());
    s.actionProgram = program;
    ASSERT_TRUE(saveSettings(dir, s));

    const auto r = decode();
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string want = "##FMS#623B1234#3#10#+##FMS#62341234#8#01#+##FMS#12345678#7#00#+";
    ASSERT_TRUE(kubtest::waitFor([&] { return server.received.size() >= want.size(); }));
    EXPECT_EQ(server.received, want);
    // From a known vehicle, towards the control room: the only launch. The others (a
    // telegram to the vehicle, an unknown identifier) start nothing.
    ASSERT_TRUE(kubtest::waitFor([&] { return !actionCalls().empty(); }));
    kubtest::waitFor([] { return false; }, 300);
    EXPECT_EQ(actionCalls(), (std::set<std::vector<std::string>>{{"FMS", "623B1234"}}));
}

TEST_F(DecodeExports, PagerTextWithShellCharactersReachesTheProgramVerbatim) {
    const std::string text = "Brand \"Halle 3\"; $(touch " + dir + "/dollar) `touch " + dir + "/tick` Süd";
    wav = dir + "/poc.wav";
    QProcess gen;
    gen.start(KUBMON_EXE, {"gen", QString::fromStdString(wav), "gap:300",
                           QString::fromStdString("poc1200:1234567:3:" + text), "gap:500"});
    ASSERT_TRUE(gen.waitForFinished(60000));
    ASSERT_EQ(gen.exitCode(), 0);
    Settings s = kubtest::decodersOn();
    s.actionProgram = program;
    ASSERT_TRUE(saveSettings(dir, s));

    const auto r = decode();
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(kubtest::splitLines(r.out), (std::vector<std::string>{"##POC#1234567#3#" + text + "#+"}));
    ASSERT_TRUE(kubtest::waitFor([&] { return actionCalls().size() == 1; }));
    EXPECT_EQ(*actionCalls().begin(), (std::vector<std::string>{"POC", "1234567", "3", text}));
    EXPECT_FALSE(std::filesystem::exists(dir + "/dollar"));
    EXPECT_FALSE(std::filesystem::exists(dir + "/tick"));
}

TEST_F(DecodeExports, UnreachableServerIsSaidAndTheDecodeGoesOn) {
    const kubtest::RefusingPort refusing;
    const quint16 port = refusing.port();
    ASSERT_NE(port, 0);
    Settings s = kubtest::tcpExportTo(port, kubtest::decodersOn());
    ASSERT_TRUE(saveSettings(dir, s));
    const auto r = decode();
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.err.find("keine Verbindung"), std::string::npos) << r.err;
    EXPECT_EQ(kubtest::splitLines(r.out).size(), 2u);
    EXPECT_TRUE(actionCalls().empty());
}

}  // namespace
}  // namespace kub
