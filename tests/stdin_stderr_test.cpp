// Raw PCM on stdin that cannot be read at all is said, not taken for an empty input; and
// what goes to stderr cannot steer the terminal or forge a line.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/stderr_line.h"
#include "support/run_process.h"

namespace {

TEST(StdinInput, UnreadableStdinIsSaidAndEndsWithStatus2) {
    const std::string folder = kubtest::makeTempDir("kub-stdin");
    const std::string exe = std::string(KUBMON_EXE);
    struct Case { std::string command, redirect, said; };
    const std::vector<Case> cases = {
        {exe + " decode - --rate 22050", "< /", "Standardeingabe ist ein Ordner"},
        {exe + " decode - --rate 22050", "<&-", "Standardeingabe ist geschlossen"},
        {exe + " run --folder " + folder + " --input - --rate 22050", "< /", "Standardeingabe ist ein Ordner"},
        {exe + " run --folder " + folder + " --input - --rate 22050", "<&-", "Standardeingabe ist geschlossen"},
    };
    for (const Case& c : cases) {
        const auto r = kubtest::runProcess("timeout 60 " + c.command + " " + c.redirect);
        EXPECT_EQ(r.exitCode, 2) << c.command << " " << c.redirect << ": " << r.err;
        EXPECT_NE(r.err.find(c.said), std::string::npos) << c.command << " " << c.redirect << ": " << r.err;
    }
    // An input that is merely empty is no fault.
    EXPECT_EQ(kubtest::runProcess(exe + " decode - --rate 22050 < /dev/null").exitCode, 0);
    kubtest::removeTree(folder);
}

TEST(StderrLine, UnprintableBytesAsHex) {
    struct Case { std::string in, out; };
    const std::vector<Case> cases = {
        {"Wache Süd, Einsatz 5", "Wache Süd, Einsatz 5"},
        {std::string("vor\0nach", 8), "vor\\x00nach"},
        {"Zeile\r\n##FMS#0#+", "Zeile\\x0D\\x0A##FMS#0#+"},
        {"\x1b[31mrot\x07\x7f", "\\x1B[31mrot\\x07\\x7F"},
        {"\t", "\\x09"},
        {"halb \xc3", "halb \\xC3"},          // a sequence cut off
        {"\xff\xfe", "\\xFF\\xFE"},           // no UTF-8 at all
        {"\xc2\x9b" "2J", "\\xC2\\x9B2J"},    // a C1 control in UTF-8
        {"\xe2\x82\xac", "\xe2\x82\xac"},     // the euro sign stays
    };
    for (const Case& c : cases) EXPECT_EQ(kub::escapedText(c.in), c.out) << c.out;
    // On the way out of the tool as well, whatever the message comes from.
    const auto r = kubtest::runProcess(std::string(KUBMON_EXE) + " \"$(printf '\\033[2J')\"");
    EXPECT_NE(r.err.find("unbekannter Befehl: \\x1B[2J"), std::string::npos) << r.err;
}

}  // namespace
