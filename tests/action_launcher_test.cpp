// The action program as a real process: its arguments arrive exactly as sent, shell
// metacharacters included, and nothing of them is executed.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/qt_action_launcher.h"
#include "support/qt_app.h"
#include "support/run_process.h"

namespace kub {
namespace {

class ActionLauncherTest : public ::testing::Test {
protected:
    void SetUp() override {
        kubtest::ensureQtApp();
        // Waits for the test's go-ahead, then writes its arguments NUL-separated.
        program = dir + "/aktion.sh";
        std::ofstream(program) << "#!/bin/sh\n"
                                  "while [ ! -e '" << dir << "/go' ]; do sleep 0.02; done\n"
                                  "printf '%s\\0' \"$@\" > '" << dir << "/args.tmp'\n"
                                  "mv '" << dir << "/args.tmp' '" << dir << "/args'\n";
        std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    }
    void TearDown() override { kubtest::removeTree(dir); }

    std::vector<std::string> receivedArgs() {
        const std::string path = dir + "/args";
        if (!kubtest::waitFor([&] { return std::filesystem::exists(path); })) return {};
        std::vector<std::string> args;
        std::string all = kubtest::readFileBytes(path), cur;
        for (char c : all) {
            if (c == '\0') {
                args.push_back(cur);
                cur.clear();
            } else {
                cur.push_back(c);
            }
        }
        return args;
    }
    void go() { std::ofstream(dir + "/go") << "1"; }

    std::string dir = kubtest::makeTempDir("kub-action");
    std::string program;
    QtActionLauncher launcher;
};

TEST_F(ActionLauncherTest, PagerTextArrivesVerbatimAndRunsNothing) {
    const std::string text = "Brand \"Halle 3\"; touch " + dir + "/semikolon $(touch " + dir +
                             "/dollar) `touch " + dir + "/backtick` 'x' | Löschzug & \\ *";
    // Returns while the program still waits for the go-ahead: nothing waits for it.
    launcher.launch(program, {"POC", "1234567", "3", text});
    EXPECT_EQ(launcher.launched(), 1);
    go();
    const auto args = receivedArgs();
    ASSERT_EQ(args.size(), 4u);
    EXPECT_EQ(args[0], "POC");
    EXPECT_EQ(args[1], "1234567");
    EXPECT_EQ(args[2], "3");
    EXPECT_EQ(args[3], text);
    EXPECT_FALSE(std::filesystem::exists(dir + "/semikolon"));
    EXPECT_FALSE(std::filesystem::exists(dir + "/dollar"));
    EXPECT_FALSE(std::filesystem::exists(dir + "/backtick"));
}

TEST_F(ActionLauncherTest, FmsAndZveiArguments) {
    go();
    launcher.launch(program, {"FMS", "12345678"});
    EXPECT_EQ(receivedArgs(), (std::vector<std::string>{"FMS", "12345678"}));
    std::filesystem::remove(dir + "/args");
    launcher.launch(program, {"ZVEI", "25634"});
    EXPECT_EQ(receivedArgs(), (std::vector<std::string>{"ZVEI", "25634"}));
    EXPECT_EQ(actionArgumentText({"POC", "1234567", "3", "a \"b\""}), "\"POC\" \"1234567\" \"3\" \"a \"b\"\"");
}

TEST_F(ActionLauncherTest, MissingOrEmptyProgramIsIgnored) {
    launcher.launch(dir + "/gibt-es-nicht", {"FMS", "12345678"});
    launcher.launch("", {"FMS", "12345678"});
    std::filesystem::permissions(program, std::filesystem::perms::owner_read);  // not executable
    launcher.launch(program, {"FMS", "12345678"});
    EXPECT_EQ(launcher.launched(), 0);
}

}  // namespace
}  // namespace kub
