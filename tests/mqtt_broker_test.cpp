// MQTT against a real mosquitto, started by each test on loopback on a free port: what
// `kubmon run` publishes, its last will, a broker that is away at the start and one
// restarted in mid-traffic, two sites and a monitor that takes both in, a hostile site,
// the same page from a site and from here in either order, and a wrong password.

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>

#include "common/clock.h"
#include "common/time_text.h"
#include "core/record_json.h"
#include "mqtt/mqtt_link.h"
#include "mqtt/mqtt_settings.h"
#include "mqtt/mqtt_site.h"
#include "storage/day_log.h"
#include "storage/vehicle_table.h"
#include "support/mqtt_broker.h"
#include "support/program_folder.h"
#include "support/run_process.h"
#include "support/soak_run.h"

namespace {

using kubtest::Spawned;
using kubtest::TestBroker;
using kubtest::TestSubscriber;

std::size_t countOf(const std::vector<std::string>& lines, const std::string& start) {
    return static_cast<std::size_t>(
        std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(start, 0) == 0; }));
}

std::size_t occurrences(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// A record as the site "wache9" would publish it, `ago` seconds old.
std::string siteRecord(kub::RecordProtocol p, const std::string& subject, const std::string& text, double ago = 0) {
    kub::ReceptionRecord r;
    r.time = kub::isoTimeText(std::floor(kub::WallClock().nowSeconds() - ago));
    r.channel = "left";
    r.protocol = p;
    r.line = "##FMS#DEADBEEF#0#01#+\n##FMS#DEADBEEF#0#01#+";
    if (p == kub::RecordProtocol::Fms) {
        r.kennung = subject;
        r.status = 1;
        r.tki = 0;
        r.direction = 0;
    } else if (p == kub::RecordProtocol::Zvei) {
        r.code = subject;
        r.name = text;
    } else {
        r.ric = subject;
        r.function = 3;
        r.text = text;
        r.name = "Fremder Name";
    }
    return kub::recordJson(r);
}

// "VmRSS:" now, "VmHWM:" the highest so far.
std::size_t residentKb(int pid, const std::string& which) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    std::size_t kb = 0;
    while (in >> key)
        if (key == which && in >> kb) return kb;
    return 0;
}

class MqttBroker : public ::testing::Test {
protected:
    void SetUp() override {
        if (!kubtest::haveMosquitto()) GTEST_SKIP() << "mosquitto und mosquitto-clients fehlen";
        dir = kubtest::makeTempDir("kub-mqtt");
    }
    void TearDown() override { kubtest::removeTree(dir); }

    // A program folder with every decoder on and the vehicle 62341234 on the board.
    std::string siteFolder(const std::string& name) {
        const std::string folder = dir + "/" + name;
        std::filesystem::create_directories(folder);
        kub::createProgramFolders(folder);
        kubtest::writeDecodersOnSettings(folder);
        kub::VehicleTable table;
        table.vehicleTable[0].kennung = "62341234";
        table.vehicleTable[0].rufname = "Florian 1/44-1";
        kub::saveVehicleTable(folder, table);
        return folder;
    }

    // FMS 62341234 status 3, ZVEI 25431, a POCSAG page and a tone call, about 5 s.
    std::string traffic() {
        const std::string wav = dir + "/funk.wav";
        const auto r = kubtest::runProcess(std::string(KUBMON_EXE) + " gen " + wav +
                                           " left gap:300 fms:62341234:3:0:0 gap:300 zvei:25431 gap:300"
                                           " 'poc1200:1234567:3:Brand Wohnhaus' gap:300 tonruf2:1500 gap:300");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return wav;
    }
    std::string silence(int seconds) {
        const std::string wav = dir + "/still.wav";
        kubtest::runProcess(std::string(KUBMON_EXE) + " gen " + wav + " left gap:" + std::to_string(seconds * 1000));
        return wav;
    }

    bool startRun(Spawned& p, const std::string& folder, const std::string& input, const std::string& mqtt,
                  bool json = false) {
        std::vector<std::string> argv = {KUBMON_EXE, "run", "--folder", folder, "--input", input};
        if (json) argv.push_back("--json");
        if (!mqtt.empty()) {
            argv.push_back("--mqtt");
            argv.push_back(mqtt);
        }
        return p.start(argv, folder + "/out.txt", folder + "/err.txt");
    }
    // A monitor that takes "wache9" in, with the vehicle 62341234, decoding `input`.
    std::string monitorFolder(const TestBroker& b) {
        const std::string folder = siteFolder("leitstelle");
        kub::MqttSettings m;
        m.server = "127.0.0.1";
        m.port = b.port();
        m.prefix = "leitstelle";
        m.remotePrefixes = {"wache9"};
        EXPECT_TRUE(kub::saveMqttSettings(folder, m));
        return folder;
    }
    // The site "wache9" as a client of its own.
    std::unique_ptr<kub::MqttLink> site(const TestBroker& b) {
        kub::MqttLinkOptions o;
        o.host = "127.0.0.1";
        o.port = b.port();
        o.clientId = "kub-wache9";
        o.onlineTopic = "wache9/online";
        auto link = std::make_unique<kub::MqttLink>(o);
        link->start();
        EXPECT_TRUE(kubtest::waitUntil([&] { return link->connected(); }, 10));
        return link;
    }
    bool outHas(const std::string& folder, const std::string& what, double seconds = 20) {
        return kubtest::waitUntil([&] { return out(folder).find(what) != std::string::npos; }, seconds);
    }
    std::string out(const std::string& folder) { return kubtest::readFileBytes(folder + "/out.txt"); }
    std::string err(const std::string& folder) { return kubtest::readFileBytes(folder + "/err.txt"); }
    std::string address(const TestBroker& b, const std::string& prefix, const std::string& login = "") {
        return "mqtt://" + login + "127.0.0.1:" + std::to_string(b.port()) + "/" + prefix;
    }

    std::string dir;
};

TEST_F(MqttBroker, EveryProtocolIsPublishedAndTheVehicleStatusIsKept) {
    TestBroker broker(dir);
    ASSERT_TRUE(broker.start());
    TestSubscriber sub(dir, broker.port(), "wache1/#");
    const std::string folder = siteFolder("wache1");
    Spawned run;
    ASSERT_TRUE(startRun(run, folder, traffic(), address(broker, "wache1")));
    EXPECT_EQ(run.stop(0, 30), 0) << err(folder);  // signal 0: only waits for the end

    const auto lines = sub.lines();
    EXPECT_EQ(countOf(lines, "wache1/online 1"), 1u);
    EXPECT_EQ(countOf(lines, "wache1/fms {\"time\":"), 1u);
    EXPECT_EQ(countOf(lines, "wache1/zvei {"), 1u);
    EXPECT_EQ(countOf(lines, "wache1/pocsag {"), 1u);
    EXPECT_EQ(countOf(lines, "wache1/tonruf {"), 1u);
    for (const auto& l : lines)
        if (l.rfind("wache1/pocsag ", 0) == 0) {
            EXPECT_NE(l.find("\"ric\":\"1234567\""), std::string::npos) << l;
        }
    // Retained: the vehicle's status for whoever subscribes later, and the clean end.
    const std::string vehicle = kubtest::retained(broker.port(), "wache1/fahrzeug/62341234");
    EXPECT_NE(vehicle.find("\"status\":3"), std::string::npos) << vehicle;
    EXPECT_NE(vehicle.find("\"vehicle\":\"Florian 1/44-1\""), std::string::npos) << vehicle;
    EXPECT_EQ(kubtest::retained(broker.port(), "wache1/online"), "0");
    EXPECT_NE(err(folder).find("MQTT verbunden mit 127.0.0.1:"), std::string::npos);
}

TEST_F(MqttBroker, AKilledMonitorLeavesItsLastWill) {
    TestBroker broker(dir);
    ASSERT_TRUE(broker.start());
    const std::string folder = siteFolder("wache1");
    Spawned run;
    ASSERT_TRUE(startRun(run, folder, silence(60), address(broker, "wache1")));
    ASSERT_TRUE(kubtest::waitUntil([&] { return kubtest::retained(broker.port(), "wache1/online") == "1"; }, 20));
    run.stop(SIGKILL);
    EXPECT_TRUE(kubtest::waitUntil([&] { return kubtest::retained(broker.port(), "wache1/online") == "0"; }, 20));
}

TEST_F(MqttBroker, NothingIsLostWhileTheBrokerIsAwayAtTheStartOrRestarts) {
    // Persistent broker and subscriber session: the reader misses nothing across the
    // restart either, so what arrives shows what the publisher delivered.
    TestBroker broker(dir, "persistence true\npersistence_location " + dir + "/\n");
    ASSERT_TRUE(broker.start());
    {
        TestSubscriber first(dir, broker.port(), "kub/n", {"-c", "-i", "leser"});
    }
    broker.stop();

    kub::MqttLinkOptions o;
    o.host = "127.0.0.1";
    o.port = broker.port();
    o.clientId = "kub-kub";
    o.onlineTopic = "kub/online";
    o.maxBackoffSeconds = 2;
    kub::MqttLink link(o);
    link.start();
    int n = 0;
    auto send = [&](int count) {
        for (int i = 0; i < count; ++i) link.publish({"kub/n", std::to_string(++n), false});
    };
    send(100);  // no broker yet
    ASSERT_TRUE(broker.start());
    TestSubscriber sub(dir, broker.port(), "kub/n", {"-c", "-i", "leser"});
    send(100);
    ASSERT_TRUE(kubtest::waitUntil([&] { return link.waiting() == 0; }, 20));
    broker.stop();  // in mid-traffic
    send(100);
    ASSERT_TRUE(broker.start());
    send(100);
    ASSERT_TRUE(sub.waitFor([&](const auto& lines) {
        std::set<std::string> got(lines.begin(), lines.end());
        return got.size() >= 400;
    }, 40));
    std::set<std::string> got;
    for (const auto& l : sub.lines()) got.insert(l);
    for (int i = 1; i <= 400; ++i) EXPECT_TRUE(got.count("kub/n " + std::to_string(i))) << i;
    link.stop();
    std::string said;
    for (const auto& l : link.takeNotices()) said += l + "\n";
    EXPECT_EQ(occurrences(said, "nicht erreichbar"), 1u) << said;
    EXPECT_EQ(occurrences(said, "getrennt"), 1u) << said;
    EXPECT_EQ(occurrences(said, "MQTT verbunden"), 2u) << said;
}

TEST_F(MqttBroker, TwoSitesHearTheSameTransmissionAndTheMonitorShowsItOnce) {
    TestBroker broker(dir);
    ASSERT_TRUE(broker.start());
    TestSubscriber leitstelle(dir, broker.port(), "leitstelle/#");
    // The monitor takes its MQTT settings from its folder, decodes nothing itself.
    const std::string monitor = dir + "/leitstelle";
    std::filesystem::create_directories(monitor);
    kub::MqttSettings m;
    m.server = "127.0.0.1";
    m.port = broker.port();
    m.prefix = "leitstelle";
    m.remotePrefixes = {"wache1", "wache2"};
    ASSERT_TRUE(kub::saveMqttSettings(monitor, m));
    Spawned monitorRun;
    ASSERT_TRUE(startRun(monitorRun, monitor, silence(60), ""));
    ASSERT_TRUE(leitstelle.waitFor([](const auto& l) { return !l.empty(); }));

    const std::string wav = traffic();
    const std::string a = siteFolder("wache1"), b = siteFolder("wache2");
    Spawned runA, runB;
    ASSERT_TRUE(startRun(runA, a, wav, address(broker, "wache1")));
    ASSERT_TRUE(startRun(runB, b, wav, address(broker, "wache2")));
    EXPECT_EQ(runA.stop(0, 30), 0) << err(a);
    EXPECT_EQ(runB.stop(0, 30), 0) << err(b);
    // Both sites have ended, so all they sent is at the broker; a last record from one of
    // them comes after it, and once it is shown the monitor has taken in everything before.
    ASSERT_EQ(kubtest::runProcess("/usr/bin/mosquitto_pub -h 127.0.0.1 -p " + std::to_string(broker.port()) +
                                  " -q 1 -t wache1/fms -m '" + siteRecord(kub::RecordProtocol::Fms, "62349999", "") +
                                  "'")
                  .exitCode,
              0);
    ASSERT_TRUE(outHas(monitor, "##FMS#62349999")) << err(monitor);
    EXPECT_EQ(monitorRun.stop(SIGTERM), 0);

    EXPECT_EQ(kubtest::splitLines(out(monitor)),
              (std::vector<std::string>{"##FMS#62341234#3#00#+", "##ZVEI#25431##+", "##POC#1234567#3#Brand Wohnhaus#+",
                                        "##FMS#62349999#1#00#+"}))
        << err(monitor);
    // Both sites' own lines are there, and the monitor published none of them again: only
    // its own incidents, one for the page and one for the code, heard at one site.
    EXPECT_EQ(kubtest::splitLines(out(a)).size(), 3u);
    EXPECT_EQ(kubtest::splitLines(out(b)).size(), 3u);
    const auto published = leitstelle.lines();
    ASSERT_EQ(published.size(), 4u);
    EXPECT_EQ(published.front(), "leitstelle/online 1");
    EXPECT_EQ(countOf(published, "leitstelle/einsatz {"), 2u);
    EXPECT_EQ(published.back(), "leitstelle/online 0");
}

TEST_F(MqttBroker, AHostileSiteCanForgeNoLineRowOrStatusAndCannotGrowTheMonitor) {
    TestBroker broker(dir, "max_queued_messages 100000\n");
    ASSERT_TRUE(broker.start());
    const auto wache9 = site(broker);
    using P = kub::RecordProtocol;
    // A vehicle status of 2020, retained on the broker for every monitor that starts.
    std::string old = siteRecord(P::Fms, "62341234", "");
    old.replace(old.find("\"time\":\"") + 8, 4, "2020");
    wache9->publish({"wache9/fms", old, true});
    const std::string folder = monitorFolder(broker);
    Spawned run;
    ASSERT_TRUE(startRun(run, folder, silence(120), ""));
    ASSERT_TRUE(kubtest::waitUntil([&] { return err(folder).find("MQTT verbunden") != std::string::npos; }, 20));

    const char hostile[] = "Alarm#+##FMS#DEADBEEF#0#01#+\r\nB\0C\x1b";
    std::string secondSixty = siteRecord(P::Zvei, "12345", "");
    secondSixty.replace(secondSixty.find("+") - 2, 2, "60");
    const std::pair<std::string, std::string> sent[] = {
        {"pocsag", siteRecord(P::Pocsag, "1234567", std::string(hostile, sizeof hostile - 1))},
        {"zvei", siteRecord(P::Zvei, "25431", "Fremder Name")},
        {"fms", siteRecord(P::Fms, "62341234", "", 11 * 60)},
        {"fms", siteRecord(P::Fms, "62341234", "", -5 * 60)},
        {"pocsag", siteRecord(P::Pocsag, "2097152", "")},
        {"fms", siteRecord(P::Fms, "623abcde", "")},
        {"zvei", secondSixty},
    };
    for (const auto& [topic, payload] : sent) wache9->publish({"wache9/" + topic, payload, false});
    ASSERT_TRUE(outHas(folder, "##ZVEI#25431")) << err(folder);

    // 3000 payloads of 200 KB: dropped before they are queued. 12000 of 15 KB, faster than
    // the monitor takes them in: the queue holds them within its bytes.
    const std::size_t before = residentKb(run.pid(), "VmRSS:");
    auto flood = [&](int bytes, int hundreds) {
        const std::string f = dir + "/flood";
        const std::string n = std::to_string(hundreds), port = std::to_string(broker.port());
        return kubtest::runProcess("head -c " + std::to_string(bytes) + " /dev/zero | tr '\\0' x > " + f +
                                   " && echo >> " + f + " && for i in $(seq 10); do cat " + f + "; done > " + f +
                                   "10 && for i in $(seq 10); do cat " + f + "10; done > " + f + "100" +
                                   " && for i in $(seq " + n + "); do cat " + f + "100; done" +
                                   " | /usr/bin/mosquitto_pub -h 127.0.0.1 -p " + port + " -q 0 -t wache9/pocsag -l")
            .exitCode;
    };
    ASSERT_EQ(flood(200000, 30), 0);
    ASSERT_EQ(flood(15000, 120), 0);
    wache9->publish({"wache9/zvei", siteRecord(P::Zvei, "99999", ""), false});
    ASSERT_TRUE(outHas(folder, "##ZVEI#99999", 60)) << err(folder);
    const std::size_t after = residentKb(run.pid(), "VmHWM:");
    EXPECT_EQ(run.stop(SIGTERM), 0);
    if (kubtest::kResidentSizeMeansOurs) {
        EXPECT_LT(after, before + 32 * 1024) << before << " kB before, at most " << after << " kB after";
    }

    // Only our lines: control characters as blanks, "#+" inside a field as "# +", our
    // receiver names (none here), nothing of the site's line.
    EXPECT_EQ(kubtest::splitLines(out(folder)),
              (std::vector<std::string>{"##POC#1234567#3#Alarm# +##FMS#DEADBEEF#0#01# +  B C #+", "##ZVEI#25431##+",
                                        "##ZVEI#99999##+"}));
    const auto log = kubtest::splitLines(
        kubtest::readFileBytes(kub::dayLogPath(folder, kub::LogKind::Pocsag, kub::WallClock().now())));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].rfind("1234567\t3\t\t", 0), 0u) << log[0];
    EXPECT_FALSE(std::filesystem::exists(kub::dayLogPath(folder, kub::LogKind::Fms, kub::WallClock().now())));
    // Each reason once per site, however often it came.
    const std::string said = err(folder);
    for (const char* why : {"älter als 10 Minuten", "mehr als 1 Minute vor unserer Uhr", "\"ric\" ist keine RIC",
                            "keine FMS-Kennung", "keine Zeit", "200000 Bytes"})
        EXPECT_EQ(occurrences(said, why), 1u) << why << "\n" << said;
}

TEST_F(MqttBroker, ThePageFromASiteAndFromHereIsOneRowInEitherOrder) {
    TestBroker broker(dir);
    ASSERT_TRUE(broker.start());
    const auto wache9 = site(broker);
    using P = kub::RecordProtocol;
    // Site first: the site's report waits retained for the monitor, which decodes the
    // same page a few seconds later.
    wache9->publish({"wache9/pocsag", siteRecord(P::Pocsag, "1234567", "Brand Wohnhaus"), true});
    const std::string wav = dir + "/seiten.wav";
    ASSERT_EQ(kubtest::runProcess(std::string(KUBMON_EXE) + " gen " + wav +
                                  " left gap:3000 'poc1200:1234567:3:Brand Wohnhaus' gap:500"
                                  " 'poc1200:1234568:3:Brand Wohnhaus' gap:30000")
                  .exitCode,
              0);
    const std::string folder = monitorFolder(broker);
    Spawned run;
    ASSERT_TRUE(startRun(run, folder, wav, "", true));
    // Here first: the site's report of it comes when it is already shown.
    ASSERT_TRUE(outHas(folder, "\"ric\":\"1234568\"")) << err(folder);
    wache9->publish({"wache9/pocsag", siteRecord(P::Pocsag, "1234568", "Brand Wohnhaus"), false});
    wache9->publish({"wache9/zvei", siteRecord(P::Zvei, "99999", ""), false});
    ASSERT_TRUE(outHas(folder, "\"code\":\"99999\"")) << err(folder);
    EXPECT_EQ(run.stop(SIGTERM), 0);

    const std::string json = out(folder);
    // The pages' own records; the incident that bundles them names both RICs again.
    EXPECT_EQ(occurrences(json, "\"line\":\"##POC#1234567#"), 1u) << json;
    EXPECT_EQ(occurrences(json, "\"line\":\"##POC#1234568#"), 1u) << json;
    EXPECT_NE(json.find("\"sites\":[\"wache9\"]"), std::string::npos) << json;
    const auto log = kubtest::splitLines(
        kubtest::readFileBytes(kub::dayLogPath(folder, kub::LogKind::Pocsag, kub::WallClock().now())));
    EXPECT_EQ(log.size(), 2u);
}

TEST_F(MqttBroker, AWrongPasswordIsSaidOnceAndDecodingGoesOn) {
    const std::string pw = dir + "/pw";
    ASSERT_EQ(kubtest::runProcess("/usr/bin/mosquitto_passwd -c -b " + pw + " wache geheim").exitCode, 0);
    // Started as root, mosquitto reads it as its own user.
    namespace fs = std::filesystem;
    fs::permissions(pw, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                            fs::perms::others_read);
    TestBroker broker(dir, "password_file " + pw + "\n");
    ASSERT_TRUE(broker.start());
    const std::string folder = siteFolder("wache1");
    Spawned run;
    ASSERT_TRUE(startRun(run, folder, traffic(), address(broker, "wache1", "wache:falsch@")));
    EXPECT_EQ(run.stop(0, 30), 0);
    EXPECT_EQ(kubtest::splitLines(out(folder)).size(), 3u);
    EXPECT_EQ(occurrences(err(folder), "MQTT-Anmeldung bei 127.0.0.1:" + std::to_string(broker.port()) +
                                           " abgelehnt: Benutzer oder Passwort falsch"),
              1u)
        << err(folder);

    // The right one is taken.
    kub::MqttSettings s;
    kub::applyMqttAddress(address(broker, "wache1", "wache:geheim@"), s);
    kub::MqttLinkOptions o;
    o.host = s.server;
    o.port = s.port;
    o.user = s.user;
    o.password = s.password;
    o.clientId = "kub-wache1";
    o.onlineTopic = "wache1/online";
    kub::MqttLink link(o);
    link.start();
    EXPECT_TRUE(kubtest::waitUntil([&] { return link.connected(); }, 10));
}

TEST_F(MqttBroker, TlsTrustsTheGivenCaOnly) {
    // A CA of our own and the broker's certificate for 127.0.0.1, signed by it.
    const std::string cd = "cd " + dir + " && ";
    ASSERT_EQ(kubtest::runProcess(cd + "(openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=Test-CA "
                                       "-keyout ca.key -out ca.pem)")
                  .exitCode,
              0);
    std::ofstream(dir + "/san.cnf") << "subjectAltName=IP:127.0.0.1\n";
    ASSERT_EQ(kubtest::runProcess(cd + "(openssl req -newkey rsa:2048 -nodes -subj /CN=127.0.0.1 -keyout server.key "
                                       "-out server.csr && openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key "
                                       "-CAcreateserial -days 2 -extfile san.cnf -out server.pem && chmod 644 server.key)")
                  .exitCode,
              0);
    TestBroker broker(dir, "cafile " + dir + "/ca.pem\ncertfile " + dir + "/server.pem\nkeyfile " + dir +
                               "/server.key\n");
    ASSERT_TRUE(broker.start());
    kub::MqttSettings s;
    ASSERT_FALSE(kub::applyMqttAddress("mqtts://127.0.0.1:" + std::to_string(broker.port()) + "/wache1", s));
    s.caFile = dir + "/ca.pem";
    kub::MqttLink trusted(kub::linkOptions(s));
    trusted.start();
    EXPECT_TRUE(kubtest::waitUntil([&] { return trusted.connected(); }, 10));

    // The system's certificates do not know our CA: no connection, said once.
    s.caFile.clear();
    kub::MqttLink stranger(kub::linkOptions(s));
    stranger.start();
    std::string said;
    EXPECT_TRUE(kubtest::waitUntil(
        [&] {
            for (const auto& l : stranger.takeNotices()) said += l + "\n";
            return !said.empty();
        },
        10));
    EXPECT_FALSE(stranger.connected());
    EXPECT_NE(said.find("nicht erreichbar"), std::string::npos) << said;
    EXPECT_NE(said.find("TLS"), std::string::npos) << said;
}

}  // namespace
