// `kubmon` is a front that decodes recordings itself and hands every other command to
// `kubmon-full`: whichever of the two runs a command, the user sees the same output and
// the same exit status. Without kubmon-full the front says so instead of failing silently.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/run_process.h"

namespace {

const std::string kFront = KUBMON_EXE;
const std::string kFull = KUBMON_FULL_EXE;

TEST(KubmonFront, EveryKindOfCommandAnswersAsTheFullProgramDoes) {
    const std::string dir = kubtest::makeTempDir("kub-front");
    const std::string wav = dir + "/mixed.wav";
    ASSERT_EQ(kubtest::runProcess(kFull + " gen " + wav +
                                  " left gap:200 fms:623B1234:3:0:1 gap:300 right zvei:12345 gap:300 poc1200:1234567:3:Probealarm gap:300")
                  .exitCode,
              0);
    // A program folder of each program's own: decoding into it writes its logs.
    for (const char* own : {"/front", "/full"}) std::filesystem::create_directory(dir + own);
    const std::vector<std::string> cases = {
        "", "--version", "--help", "gibtsnicht",                    // answered by the front itself
        "decode " + wav, "decode --klassisch " + wav,               // decoded by the front
        "decode", "decode --gibtsnicht " + wav, "decode " + dir + "/fehlt.wav",
        "decode --folder {own} " + wav,                             // exports: handed over
        "decode --sdr " + dir + "/fehlt.iq",                        // SDR input: handed over
        "page --help", "gen --gibtsnicht",                          // other commands: handed over
    };
    for (const std::string& args : cases) {
        std::string frontArgs = args, fullArgs = args;
        if (const auto at = args.find("{own}"); at != std::string::npos) {
            frontArgs.replace(at, 5, dir + "/front");
            fullArgs.replace(at, 5, dir + "/full");
        }
        SCOPED_TRACE(args);
        const auto front = kubtest::runProcess(kFront + " " + frontArgs);
        const auto full = kubtest::runProcess(kFull + " " + fullArgs);
        EXPECT_EQ(front.exitCode, full.exitCode);
        EXPECT_EQ(front.out, full.out);
        EXPECT_EQ(front.err, full.err);
    }
    // The recording was decoded, not merely refused alike.
    EXPECT_EQ(kubtest::splitLines(kubtest::runProcess(kFront + " decode " + wav).out).size(), 3u);
    kubtest::removeTree(dir);
}

TEST(KubmonFront, WithoutTheFullProgramSaysSoAndStillDecodes) {
    const std::string dir = kubtest::makeTempDir("kub-front-alone");
    const std::string alone = dir + "/kubmon";
    std::filesystem::copy_file(kFront, alone);
    const std::string wav = dir + "/fms.wav";
    ASSERT_EQ(kubtest::runProcess(kFull + " gen " + wav + " fms:623B1234:3:0:1 gap:300").exitCode, 0);
    struct Case { std::string args, said; };
    const std::vector<Case> handedOver = {
        {"page --help", "kubmon: kubmon-full nicht startbar"},
        {"decode --folder " + dir + " " + wav, "kubmon: kubmon-full nicht startbar"},
        {"decode --sdr " + dir + "/x.iq --sdr-rate 240000 --sdr-mitte 170000000 --kanal a=170000000",
         "kubmon decode: kubmon-full nicht startbar"},
    };
    for (const Case& c : handedOver) {
        const auto r = kubtest::runProcess(alone + " " + c.args);
        EXPECT_EQ(r.exitCode, 2) << c.args;
        EXPECT_EQ(r.out, "") << c.args;
        EXPECT_EQ(r.err.rfind(c.said, 0), 0u) << c.args << ": " << r.err;
    }
    const auto decoded = kubtest::runProcess(alone + " decode " + wav);
    EXPECT_EQ(decoded.exitCode, 0) << decoded.err;
    EXPECT_EQ(decoded.out, kubtest::runProcess(kFull + " decode " + wav).out);
    EXPECT_FALSE(decoded.out.empty());
    kubtest::removeTree(dir);
}

}  // namespace
