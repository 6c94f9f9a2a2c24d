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

// What users type on the command line, taken as it always was; a bad value refused with
// status 2 and a German line that names it.
TEST(KubmonHelp, TypedFormsAreTakenAndBadOnesRefused) {
    const std::string dir = kubtest::makeTempDir("kub-forms");
    const std::string out = dir + "/t.wav";
    const std::string gen = kKubmon + " gen ";
    const std::string ftp = kKubmon + " ftp ";
    const std::string window = "QT_QPA_PLATFORM=offscreen " + std::string(KUB_MONITOR_EXE) + " ";
    const struct {
        std::string line;
        int exitCode;
        std::string said;  // a part of stderr
    } cases[] = {
        {gen + "--amplitude 0.25 --snr 20 --seed 3 --inverted " + out + " left gap:10.5 zvei:12345:70.0", 0, ""},
        {gen + "--amplitude 1e-1 --noise 0.01 --snr -3 " + out + " gap:5 poc1200:2097151:3:x", 0, ""},
        {gen + "--amplitude abc " + out + " gap:5", 2, "ungültige Option: --amplitude"},
        {gen + "--amplitude inf " + out + " gap:5", 2, "ungültige Option: --amplitude"},
        {gen + "--seed 1.5 " + out + " gap:5", 2, "ungültige Option: --seed"},
        {gen + out + " --snr", 2, "ungültige Option: --snr"},
        {gen + out + " gap:-1", 2, "ungültige Pause: gap:-1"},
        {gen + out + " gap:1,5", 2, "ungültige Pause: gap:1,5"},
        {gen + out + " zvei:12345:0.5", 2, "ungültige Tonlänge: 0.5"},
        {gen + out + " poc1200:2097152:0:x", 2, "RIC (0..2097151) und Funktion (0..3) erwartet"},
        {ftp + "-v -d --timeout=5 -s:" + dir + "/fehlt.dat 127.0.0.1:21", 2, "Skriptdatei " + dir + "/fehlt.dat"},
        {ftp + "--timeout=0 -s:x h", 2, "ungültige Zeitgrenze: --timeout=0"},
        {ftp + "--timeout=20s -s:x h", 2, "ungültige Zeitgrenze: --timeout=20s"},
        {ftp + "--timeout 20 -s:x h", 2, "unbekannte Option: --timeout"},
        {ftp + "-s:x", 2, "HOST fehlt"},
        {ftp + "h", 2, "-s:SKRIPT fehlt"},
        {ftp + "-s:x a b", 2, "nur einen Host angeben"},
        {ftp + "-s:x host:0", 2, "ungültiger Host: host:0"},
        {ftp + "-s:x -", 2, "unbekannte Option: -"},
        {window + "aufnahme.wav", 2, "unbekannte Angabe: aufnahme.wav"},
        {window + "--demo a.wav b.wav", 2, "unbekannte Angabe: b.wav"},
        {window + "--demo -", 2, "unbekannte Angabe: -"},
        {window + "--demo --schnell", 2, "unbekannte Angabe: --schnell"},
    };
    for (const auto& c : cases) {
        const auto r = kubtest::runProcess(c.line);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.line << "\n" << r.err;
        if (c.exitCode != 0) {
            EXPECT_NE(r.err.find(c.said), std::string::npos) << c.line << "\n" << r.err;
        }
    }
    kubtest::removeTree(dir);
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
