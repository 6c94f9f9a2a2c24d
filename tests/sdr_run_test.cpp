// kubmon run --sdr from outside: a stick's program (a shell script standing in for
// rtl_sdr) that dies twice is started again, each restart said once with its last
// complaint, and receptions keep coming, on stdout as JSON and on a real broker, each with
// its channel and frequency; a SoapySDR device that is not there ends the run with a
// German line and status 2.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>

#include "storage/vehicle_table.h"
#include "support/mqtt_broker.h"
#include "support/program_folder.h"
#include "support/run_process.h"

namespace {

using kubtest::Spawned;

constexpr const char* kBand = " --sdr-rate 1024k --sdr-mitte 172.6M";

std::size_t occurrences(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

class SdrRun : public ::testing::Test {
protected:
    void SetUp() override {
        dir = kubtest::makeTempDir("kub-sdr-run");
        folder = dir + "/wache";
        std::filesystem::create_directories(folder);
        kub::createProgramFolders(folder);
        kubtest::writeDecodersOnSettings(folder);
    }
    void TearDown() override { kubtest::removeTree(dir); }

    // IQ of the band with `channels` (--kanal NAME=FREQ items...) into `name`.
    void generate(const std::string& name, const std::string& channels) {
        const auto r = kubtest::runProcess(std::string(KUBMON_EXE) + " gen iq " + dir + "/" + name + kBand + " " + channels);
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }
    std::string err() const { return kubtest::readFileBytes(folder + "/err.txt"); }
    std::string out() const { return kubtest::readFileBytes(folder + "/out.txt"); }

    std::string dir;
    std::string folder;
};

TEST_F(SdrRun, AStickThatDiesTwiceIsStartedAgainAndReceptionsKeepComingWithTheirChannel) {
    if (!kubtest::haveMosquitto()) GTEST_SKIP() << "mosquitto und mosquitto-clients fehlen";
    generate("1.cu8", "--kanal FW=172.34M fms:62341234:3:0:0 --kanal POC=172.74M 'poc1200:1111111:3:Erster Lauf'");
    generate("2.cu8", "--kanal POC=172.74M 'poc1200:1222222:3:Zweiter Lauf'");
    generate("3.cu8", "--kanal POC=172.74M 'poc1200:1333333:3:Dritter Lauf'");
    // Each start delivers the next recording; the first two end with a USB complaint, the
    // third stays and says nothing more.
    std::ofstream(dir + "/stick.sh") << "n=$(cat " << dir << "/n 2>/dev/null || echo 1)\n"
                                     << "echo $((n + 1)) > " << dir << "/n\n"
                                     << "cat " << dir << "/$n.cu8\n"
                                     << "[ $n -ge 3 ] && exec sleep 600\n"
                                     << "echo 'usb_claim_interface error -6' >&2\nexit 1\n";
    kubtest::TestBroker broker(dir);
    ASSERT_TRUE(broker.start());
    kubtest::TestSubscriber sub(dir, broker.port(), "wache/#");
    Spawned run;
    ASSERT_TRUE(run.start({KUBMON_EXE, "run", "--folder", folder, "--json", "--sdr", "cmd:sh " + dir + "/stick.sh",
                           "--sdr-rate", "1024k", "--sdr-mitte", "172.6M", "--kanal", "FW=172.34M:fms",
                           "--kanal", "POC=172.74M:pocsag", "--mqtt",
                           "mqtt://127.0.0.1:" + std::to_string(broker.port()) + "/wache"},
                          folder + "/out.txt", folder + "/err.txt"));
    EXPECT_TRUE(kubtest::waitUntil([&] { return out().find("1333333") != std::string::npos; }, 60)) << err();
    EXPECT_TRUE(sub.waitFor([](const auto& lines) { return lines.size() >= 5; }));
    EXPECT_EQ(run.stop(SIGTERM), 0) << err();

    const std::string e = err();
    EXPECT_EQ(occurrences(e, "ist beendet (Exit-Code 1); letzte Meldung: \"usb_claim_interface error -6\""), 2u) << e;
    EXPECT_NE(e.find("Neustart in 1 s."), std::string::npos) << e;
    EXPECT_NE(e.find("Neustart in 2 s."), std::string::npos) << e;
    const std::string o = out();
    for (const char* ric : {"1111111", "1222222", "1333333"})
        EXPECT_NE(o.find("\"channel\":\"POC\",\"frequency\":172740000,\"protocol\":\"pocsag\",\"line\":\"##POC#" +
                         std::string(ric)),
                  std::string::npos)
            << o;
    EXPECT_NE(o.find("\"channel\":\"FW\",\"frequency\":172340000,\"protocol\":\"fms\""), std::string::npos) << o;
    bool published = false;
    for (const auto& l : sub.lines())
        published = published || (l.rfind("wache/pocsag ", 0) == 0 && l.find("\"frequency\":172740000") != std::string::npos);
    EXPECT_TRUE(published);
    // The day log names the channel after the row.
    bool logged = false;
    for (const auto& f : std::filesystem::directory_iterator(folder + "/Logbuch"))
        logged = logged || kubtest::readFileBytes(f.path()).find("\tKanal POC 172.74 MHz\r\n") != std::string::npos;
    EXPECT_TRUE(logged);
}

TEST_F(SdrRun, ASoapyDeviceThatIsNotThereEndsTheRun) {
    const auto r = kubtest::runProcess(std::string(KUBMON_EXE) + " run --folder " + folder +
                                       " --sdr soapy:driver=kubtest_nicht_da" + kBand + " --kanal A=172.34M");
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_NE(r.err.find("SoapySDR-Gerät \"driver=kubtest_nicht_da\" nicht gefunden"), std::string::npos) << r.err;
}

}  // namespace
