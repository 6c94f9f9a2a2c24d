// The command line as a newcomer meets it: every command answers --help on stdout with
// status 0 and names its options; a wrong option is refused on stderr with status 2; a
// monitor that plays a recording never speaks to a sound server.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/run_process.h"

namespace {

const std::string kKubmon = KUBMON_EXE;

struct HelpCase {
    const char* args;
    std::vector<const char*> mentions;
};

TEST(KubmonHelp, EveryCommandAnswersHelpOnStdoutAndRefusesWrongOptions) {
    const HelpCase cases[] = {
        {"", {"run", "decode", "gen", "page", "ftp", "devices", "regeln", "--http", "--mqtt", "--stille", "--erwarte",
              "--json", "--input", "--folder", "--klassisch", "--rate", "JSON Lines", "jq"}},
        {"run", {"--folder", "--input", "--rate", "--channels", "--takt", "--json", "--http", "--http-key",
                 "--mqtt", "--stille", "--erwarte", "JSON Lines", "jq"}},
        {"decode", {"--folder", "--klassisch", "--json", "--rate", "--channels", "JSON Lines", "jq"}},
        {"gen", {"--amplitude", "--inverted", "--snr", "--noise", "--seed", "fms:", "zvei:", "poc512:"}},
        {"page", {"--folder"}},
        {"ftp", {"-s:SKRIPT", "--timeout=", "-v", "-d"}},
        {"devices", {"Mon.ini"}},
        {"regeln", {"pruefen", "erklaeren", "test ZIEL", "--folder", "JSON Lines"}},
    };
    for (const HelpCase& c : cases) {
        for (const char* flag : {" --help", " -h"}) {
            const std::string line = kKubmon + (*c.args ? " " : "") + c.args + flag;
            SCOPED_TRACE(line);
            const auto help = kubtest::runProcess(line);
            EXPECT_EQ(help.exitCode, 0);
            EXPECT_EQ(help.err, "");
            for (const char* m : c.mentions) EXPECT_NE(help.out.find(m), std::string::npos) << m;
        }
        const auto wrong = kubtest::runProcess(kKubmon + " " + c.args + " --gibtsnicht");
        EXPECT_EQ(wrong.exitCode, 2) << c.args;
        EXPECT_TRUE(wrong.out.empty()) << c.args;
        EXPECT_NE(wrong.err.find("--gibtsnicht"), std::string::npos) << c.args << ": " << wrong.err;
    }
}

TEST(KubmonHelp, ARecordingNeedsNoSoundServer) {
    const std::string dir = kubtest::makeTempDir("kub-help");
    const std::string wav = dir + "/kurz.wav";
    ASSERT_EQ(kubtest::runProcess(kKubmon + " gen " + wav + " left gap:300").exitCode, 0);
    // A server address that cannot answer: whoever tries it complains on stderr.
    const auto r = kubtest::runProcess("PULSE_SERVER=unix:" + dir + "/kein-server " + kKubmon + " run --folder " +
                                       dir + " --input " + wav);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("Aufzeichnung zu Ende."), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("PulseAudio"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("pa_context"), std::string::npos) << r.err;
    kubtest::removeTree(dir);
}

}  // namespace
