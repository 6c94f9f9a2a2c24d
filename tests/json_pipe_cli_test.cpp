// kubmon's JSON lines and raw PCM from a pipe, through the real tools: `kubmon gen`
// writes a recording, sox turns it into raw samples on a pipe, and `kubmon decode -` and
// `kubmon run --input -` must decode from the pipe (on one thread) what `kubmon decode`
// decodes from the file (its right channel on a second one, where there is a second core).

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/program_folder.h"
#include "support/run_process.h"

namespace {

using nlohmann::json;

const std::string kKubmon = KUBMON_EXE;

class JsonPipeCli : public ::testing::Test {
protected:
    void SetUp() override {
        dir = kubtest::makeTempDir("kub-jsonpipe");
        wav = dir + "/t.wav";
        // Both channels, every protocol, a tone call and a page whose text needs escaping.
        const auto gen = kubtest::runProcess(
            kKubmon + " gen " + wav +
            " gap:200 both fms:62341234:3:0:1 gap:500 zvei:12345 gap:500 tonruf2:1500 gap:500 "
            "'poc1200:1234567:3:Höhe \"5\" ß\x7f' gap:300 left fms:62341111:5:0:0 gap:400 right zvei:54321 gap:600");
        ASSERT_EQ(gen.exitCode, 0) << gen.err;
        folder = dir + "/ordner";
        std::filesystem::create_directory(folder);
        ASSERT_TRUE(kubtest::writeDecodersOnSettings(folder));
    }
    void TearDown() override { kubtest::removeTree(dir); }

    // The JSON lines of a command, each parsed, without the time (it follows the clock).
    static std::vector<json> records(const std::string& command) {
        const auto r = kubtest::runProcess(command);
        EXPECT_EQ(r.exitCode, 0) << command << "\n" << r.err;
        std::vector<json> out;
        for (const auto& line : kubtest::splitLines(r.out)) {
            json j = json::parse(line, nullptr, false);
            EXPECT_FALSE(j.is_discarded()) << line;
            // Incidents have tests of their own; here the receptions count.
            if (j.is_discarded() || j.value("protocol", "") == "einsatz") continue;
            j.erase("time");
            out.push_back(j);
        }
        return out;
    }

    std::string dir;
    std::string wav;
    std::string folder;  // a program folder with every decoder switched on
};

TEST_F(JsonPipeCli, DecodeJsonGivesEveryReceptionWithItsFields) {
    const auto lines = records(kKubmon + " decode --json " + wav);
    std::map<std::string, std::vector<json>> by;
    for (const auto& j : lines) by[j.at("protocol").get<std::string>()].push_back(j);
    ASSERT_EQ(by["fms"].size(), 3u);
    EXPECT_EQ(by["fms"][0],
              (json{{"channel", by["fms"][0]["channel"]}, {"protocol", "fms"}, {"line", "##FMS#62341234#3#10#+"},
                    {"kennung", "62341234"}, {"status", 3}, {"tki", 1}, {"direction", 0}, {"text", ""},
                    {"vehicle", ""}, {"info", ""}, {"known", false}}));
    ASSERT_EQ(by["zvei"].size(), 3u);
    EXPECT_EQ(by["zvei"].back(), (json{{"channel", "right"}, {"protocol", "zvei"}, {"line", "##ZVEI#54321##+"},
                                       {"code", "54321"}, {"name", ""}, {"known", false},
                                       {"colour", "#E0E0E0"}}));
    ASSERT_EQ(by["pocsag"].size(), 2u);
    EXPECT_EQ(by["pocsag"][0]["text"], "Höhe \"5\" ß<127>");
    EXPECT_EQ(by["pocsag"][0]["function"], 3);
    // The tone call on both channels, with no export line.
    ASSERT_EQ(by["tonruf"].size(), 2u);
    for (const auto& t : by["tonruf"]) {
        EXPECT_EQ(t["tone"], "II");
        EXPECT_EQ(t["line"], "");
    }
    EXPECT_EQ(lines.size(), 10u);
}

TEST_F(JsonPipeCli, RawPcmFromAPipeDecodesAsTheFile) {
    const auto fromFile = records(kKubmon + " decode --json " + wav);
    ASSERT_EQ(fromFile.size(), 10u);
    std::vector<json> leftOnly;
    for (const auto& j : fromFile)
        if (j["channel"] == "left") leftOnly.push_back(j);
    const std::string raw = " -t raw -e signed -b 16 ";
    struct Case {
        const char* what;
        std::string command;
        const std::vector<json>& expected;
    };
    std::vector<Case> cases{
        {"decode, the file on one thread", kKubmon + " decode --json --ein-kern " + wav, fromFile},
        {"decode, stereo at our rate", "sox " + wav + raw + "- | " + kKubmon + " decode --json - --rate 22050 --channels 2",
         fromFile},
        {"decode, stereo at 48 kHz", "sox " + wav + raw + "-r 48000 - | " + kKubmon + " decode --json - --rate 48000 --channels 2",
         fromFile},
        {"decode, mono (left) at 44.1 kHz", "sox " + wav + raw + "-r 44100 -c 1 - remix 1 | " + kKubmon + " decode --json - --rate 44100",
         leftOnly},
        {"run, stereo at our rate",
         "sox " + wav + raw + "- | " + kKubmon + " run --json --folder " + folder + " --input - --rate 22050 --channels 2",
         fromFile},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(records(c.command), c.expected);
    }
}

TEST_F(JsonPipeCli, RealRecordingThroughAPipe) {
    const std::string flac = std::string(KUB_SAMPLES_DIR) + "/pocsag/POCSAG_sample_-_1200_bps.flac";
    if (!std::filesystem::exists(flac)) GTEST_SKIP() << "no sample recordings at " << KUB_SAMPLES_DIR;
    const auto fromFile = kubtest::runProcess(kKubmon + " decode " + flac);
    const auto fromPipe = kubtest::runProcess("sox " + flac + " -t raw -e signed -b 16 - | " + kKubmon + " decode - --rate 22050");
    EXPECT_EQ(fromPipe.exitCode, 0) << fromPipe.err;
    EXPECT_FALSE(fromFile.out.empty());
    EXPECT_EQ(fromPipe.out, fromFile.out);
}

TEST_F(JsonPipeCli, BadPipeOptionsSayOneLineAndEndWithTwo) {
    for (const std::string& command :
         {kKubmon + " decode -", kKubmon + " decode - --rate abc", kKubmon + " decode - --rate 100",
          kKubmon + " decode - --rate 22050 --channels 3", kKubmon + " decode " + wav + " --rate 22050",
          kKubmon + " run --folder " + folder + " --input -", kKubmon + " run --folder " + folder + " --input - --rate"}) {
        SCOPED_TRACE(command);
        const auto r = kubtest::runProcess(command + " </dev/null");
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.out.empty());
        const auto errLines = kubtest::splitLines(r.err);
        ASSERT_EQ(errLines.size(), 1u) << r.err;
        EXPECT_NE(errLines[0].find("--"), std::string::npos);
    }
}

TEST_F(JsonPipeCli, ShortOrBrokenInputEndsCleanlyWithWhatWasDecoded) {
    const std::string rawFile = dir + "/t.raw";
    ASSERT_EQ(kubtest::runProcess("sox " + wav + " -t raw -e signed -b 16 " + rawFile).exitCode, 0);
    const auto size = std::filesystem::file_size(rawFile);
    const auto whole = kubtest::splitLines(kubtest::runProcess(kKubmon + " decode " + wav).out);
    ASSERT_EQ(whole.size(), 8u);
    struct Case {
        const char* what;
        std::string feed;
        std::size_t lines;  // the first lines of the whole recording's
    };
    for (const Case& c : std::vector<Case>{
             {"nothing", "true", 0},
             {"three bytes", "printf '\\001\\002\\003'", 0},
             // Cut in the middle of a sample, after the first telegrams.
             {"stops mid-sample", "head -c " + std::to_string((size / 5) | 1) + " " + rawFile, 4},
             {"odd byte count", "cat " + rawFile + "; printf '\\177'", 8}}) {
        SCOPED_TRACE(c.what);
        for (const std::string& tool : {std::string("decode -"), "run --folder " + folder + " --input -"}) {
            const auto r = kubtest::runProcess("(" + c.feed + ") | " + kKubmon + " " + tool + " --rate 22050 --channels 2");
            EXPECT_EQ(r.exitCode, 0) << tool << ": " << r.err;
            EXPECT_EQ(kubtest::splitLines(r.out), std::vector<std::string>(whole.begin(), whole.begin() + c.lines))
                << tool;
        }
    }
}

}  // namespace
