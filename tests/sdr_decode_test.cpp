// Several channels of one SDR stick through the real tools: `kubmon gen iq` writes the
// IQ of eight channels with their traffic, `kubmon decode --sdr` must find every
// reception on its own channel, with the channel's frequency, and nothing else: at both
// usual stick rates, with a tuner 40 ppm off and --ppm auto, and beside a neighbour 30 dB
// stronger 12.5 kHz away. Bad options and channel list lines are refused in German.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "support/run_process.h"

namespace {

using nlohmann::json;

const std::string kKubmon = KUBMON_COMMAND;

// The traffic: every protocol, POCSAG at all three rates, two channels with more than one
// transmission, one channel that stays silent.
const char* const kTraffic =
    " --kanal FW1=172.3400M:fms:62341234:3:0:0 gap:300 zvei:21345"
    " --kanal FW2=172.4600M:zvei:12345"
    " --kanal RD=172.5200M:fms:67891111:2:0:0"
    " --kanal P512=172.6800M:poc512:1234567:3:Brand"
    " --kanal P1200=172.7400M:poc1200:1345678:1:THL"
    " --kanal P2400=172.8000M:poc2400:1456789:2:Probe"
    " --kanal MIX=172.3000M:poc1200:1111111:0:Eins gap:200 fms:62349999:1:0:0"
    " --kanal LEER=172.9000M";
const char* const kChannels =
    " --kanal FW1=172.34M --kanal FW2=172.46M --kanal RD=172.52M --kanal P512=172.68M --kanal P1200=172.74M"
    " --kanal P2400=172.8M --kanal MIX=172.3M --kanal LEER=172.9M";
const std::set<std::string> kExpected = {
    "FW1 172340000 fms 62341234", "FW1 172340000 zvei 21345",  "FW2 172460000 zvei 12345",
    "RD 172520000 fms 67891111",  "P512 172680000 pocsag 1234567", "P1200 172740000 pocsag 1345678",
    "P2400 172800000 pocsag 1456789", "MIX 172300000 pocsag 1111111", "MIX 172300000 fms 62349999",
};

class SdrDecode : public ::testing::Test {
protected:
    void SetUp() override { dir = kubtest::makeTempDir("kub-sdr"); }
    void TearDown() override { kubtest::removeTree(dir); }

    // Each reception as "CHANNEL FREQUENCY PROTOCOL ADDRESS".
    static std::set<std::string> receptions(const std::string& jsonLines) {
        std::set<std::string> out;
        for (const auto& line : kubtest::splitLines(jsonLines)) {
            const json j = json::parse(line, nullptr, false);
            EXPECT_FALSE(j.is_discarded()) << line;
            if (j.is_discarded() || j.value("protocol", "") == "einsatz") continue;
            const std::string p = j.value("protocol", "");
            const std::string address = j.value(p == "fms" ? "kennung" : p == "zvei" ? "code" : "ric", "");
            out.insert(j.value("channel", "") + " " + std::to_string(j.value("frequency", 0)) + " " + p + " " + address);
        }
        return out;
    }

    std::string dir;
};

TEST_F(SdrDecode, EveryReceptionOnItsChannel) {
    struct Case {
        const char* name;
        const char* rate;
        const char* gen;     // extra options of the generator
        const char* decode;  // extra options of the decoder
        const char* neighbour;  // an extra loud channel of the generator
    };
    const Case cases[] = {
        {"1024k", "1024k", "", "", ""},
        {"2.4M", "2.4M", "", "", ""},
        {"40 ppm, auto", "1024k", " --ppm 40", " --ppm auto", ""},
        {"40 ppm, given", "2.4M", " --ppm 40", " --ppm 40", ""},
        // 12.5 kHz above FW1 and 30 dB stronger, transmitting while FW1 does.
        {"neighbour", "1024k", " --pegel NB=30", "",
         " --kanal NB=172.3525M:poc1200:1765432:0:Laut gap:100 fms:62340000:4:0:0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string iq = dir + "/t.cu8";
        const auto gen = kubtest::runProcess(kKubmon + " gen iq " + iq + " --sdr-rate " + c.rate +
                                             " --sdr-mitte 172.6M --snr 25" + c.gen + kTraffic + c.neighbour);
        ASSERT_EQ(gen.exitCode, 0) << gen.err;
        const auto r = kubtest::runProcess(kKubmon + " decode --json --sdr " + iq + " --sdr-rate " + c.rate +
                                           " --sdr-mitte 172.6M" + c.decode + kChannels);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(receptions(r.out), kExpected) << r.err;
    }
}

// Wrong options and channel list lines: one German line naming what is wrong, exit 2.
TEST_F(SdrDecode, BadOptionsAreRefused) {
    const std::string iq = dir + "/t.cu8";
    std::ofstream(iq) << "\x80\x80\x80\x80";
    std::ofstream(dir + "/SDR-Kanaele.txt") << "# Liste\nFW=172.34M\nRD 172.5M\nPOC=173.2M:pocsag,funk\n";
    const std::string base = kKubmon + " decode --sdr " + iq;
    const std::pair<std::string, std::string> cases[] = {
        {" --sdr-rate 1024k --sdr-mitte 172.6M --kanal FW=173.2M", "Kanal FW (173200000 Hz) liegt außerhalb"},
        {" --sdr-rate 1024k --sdr-mitte 172.6M --kanal FW=172.5M --kanal FW=172.7M", "Kanalname FW doppelt"},
        {" --sdr-rate 1024k --sdr-mitte 172.6M --kanal A=172.5M --kanal B=172.5M", "Frequenz 172500000 Hz doppelt"},
        {" --sdr-rate 1024k --sdr-mitte 172.6M --kanal A=172.5M:fms,pager", "unbekannter Decoder \"pager\""},
        {" --sdr-rate 10k --sdr-mitte 172.6M --kanal A=172.6M", "Abtastrate 10000 Hz außerhalb"},
        {" --sdr-rate 1024k --sdr-mitte 172.6M --kanal A=17x", "Frequenz \"17x\" von Kanal A ungültig"},
        {" --sdr-rate 1024k --sdr-mitte 172.6M --kanal A=172.6M --ppm viel", "--ppm \"viel\" ungültig"},
        {" --sdr-rate 1024k --kanal A=172.6M", "--sdr-mitte fehlt"},
        {" --sdr-rate 1024k --sdr-mitte 172.6M --folder " + dir, "SDR-Kanaele.txt, Zeile 3: Kanal \"RD 172.5M\""},
        {" --sdr-rate 1024k --sdr-mitte 172.6M --folder " + dir, "SDR-Kanaele.txt, Zeile 4: Kanal POC"},
    };
    for (const auto& [args, line] : cases) {
        const auto r = kubtest::runProcess(base + args);
        EXPECT_EQ(r.exitCode, 2) << args;
        EXPECT_NE(r.err.find(line), std::string::npos) << args << "\n" << r.err;
    }
}

}  // namespace
