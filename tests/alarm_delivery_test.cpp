// Alarm delivery: the outbox on disk, and each kind of destination against a real server
// on loopback (Python's http.server, aiosmtpd, mosquitto) or a real program; outages,
// refusals, a slow destination, the bounds, and a kill while deliveries wait.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "alarm/alarm_delivery.h"
#include "alarm/alarm_outbox.h"
#include "mqtt/mqtt_alarm_link.h"
#include "mqtt/mqtt_link.h"
#include "support/alarm_servers.h"
#include "support/run_process.h"

namespace {

using kubtest::waitUntil;

kub::AlarmTarget webhookTarget(const std::string& name, const std::string& url) {
    kub::AlarmTarget t;
    t.name = name;
    t.url = url;
    return t;
}

kub::AlarmMessage message(const std::string& target, int n) {
    kub::AlarmMessage m;
    m.id = target + "-" + std::to_string(n);
    m.target = target;
    m.seconds = 1700000000 + n;
    m.body = "{\"id\":\"" + m.id + "\",\"text\":\"Brand Wohnhaus " + std::to_string(n) + "\"}";
    return m;
}

// Small pauses: the growth of the pause is the same, only the test does not wait minutes.
kub::AlarmDeliveryLimits quick() {
    kub::AlarmDeliveryLimits l;
    l.firstPauseSeconds = 0.05;
    l.longestPauseSeconds = 0.4;
    return l;
}

std::size_t waitingFor(const kub::AlarmDelivery& d, const std::string& name) {
    for (const auto& s : d.states())
        if (s.name == name) return s.waiting;
    return 0;
}

std::size_t countContaining(const std::vector<std::string>& lines, const std::string& part) {
    return static_cast<std::size_t>(
        std::count_if(lines.begin(), lines.end(), [&](const auto& l) { return l.find(part) != std::string::npos; }));
}

class AlarmDeliveryTest : public ::testing::Test {
protected:
    void SetUp() override { dir_ = kubtest::makeTempDir("kub-alarm"); }
    void TearDown() override { kubtest::removeTree(dir_); }
    std::string dir_;
    kub::WallClock clock_;
};

TEST_F(AlarmDeliveryTest, OutboxKeepsWholeMessagesPrivateAndSkipsAHalfWrittenOne) {
    kub::AlarmOutbox box(dir_, "Leit/stelle", 10);
    std::string error;
    kub::AlarmMessage m = message("x", 1);
    m.headers = {{"Authorization", "Bearer abc"}};
    m.arguments = {"a b", "\"c\""};
    m.test = true;
    for (std::uint64_t n = 1; n <= 3; ++n) ASSERT_TRUE(box.add(n, m, error)) << error;
    EXPECT_EQ(box.folder(), dir_ + "/Alarmierung-Ausgang/Leit_stelle");
    struct stat st {};
    ASSERT_EQ(stat((box.folder() + "/0000000000000002.json").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // A kill during a write leaves the side file; a file cut short outside our hands is
    // no message either.
    std::ofstream(box.folder() + "/0000000000000004.json.neu") << "{\"art\":\"kub-al";
    const std::string whole = kubtest::readFileBytes(box.folder() + "/0000000000000002.json");
    std::ofstream(box.folder() + "/0000000000000002.json", std::ios::trunc) << whole.substr(0, whole.size() / 2);

    const auto loaded = box.load();
    ASSERT_EQ(loaded.waiting.size(), 2u);
    EXPECT_EQ(loaded.waiting[0].number, 1u);
    EXPECT_EQ(loaded.waiting[1].number, 3u);
    EXPECT_EQ(loaded.next, 4u);
    EXPECT_EQ(loaded.notices.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(box.folder() + "/0000000000000004.json.neu"));
    const auto back = box.read(3);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->id, m.id);
    EXPECT_EQ(back->body, m.body);
    EXPECT_EQ(back->headers, m.headers);
    EXPECT_EQ(back->arguments, m.arguments);
    EXPECT_TRUE(back->test);
}

TEST_F(AlarmDeliveryTest, WebhookGetsBodyIdAndHeaders) {
    kubtest::TestWebhook hook(dir_ + "/hook");
    ASSERT_TRUE(hook.start());
    kub::AlarmDelivery d(dir_, clock_, nullptr, quick());
    auto t = webhookTarget("divera", hook.url("/alarm?key=1"));
    t.method = "put";
    d.setTargets({t});
    kub::AlarmMessage m = message("divera", 7);
    m.headers = {{"X-Token", "geheim\r\nX-Injected: 1"}, {"Bad Name", "x"}};
    d.post(m);
    ASSERT_TRUE(waitUntil([&] { return hook.deliveredBodies().size() == 1; }, 20));
    const auto r = hook.requests().front();
    EXPECT_EQ(r["method"], "PUT");
    EXPECT_EQ(r["path"], "/alarm?key=1");
    EXPECT_EQ(r["body"], m.body);
    EXPECT_EQ(r["headers"]["Idempotency-Key"], "divera-7");
    EXPECT_EQ(r["headers"]["Content-Type"], "application/json");
    EXPECT_EQ(r["headers"]["X-Token"], "geheim  X-Injected: 1");
    EXPECT_FALSE(r["headers"].contains("X-Injected"));
    ASSERT_TRUE(waitUntil([&] { return waitingFor(d, "divera") == 0; }, 5));
    const auto s = d.states().front();
    EXPECT_GT(s.lastDeliverySeconds, 0);
    EXPECT_EQ(s.lastError, "");
    EXPECT_TRUE(std::filesystem::is_empty(dir_ + "/Alarmierung-Ausgang/divera"));
}

TEST_F(AlarmDeliveryTest, ServerErrorsAreRetriedUntilItRecoversInOrder) {
    kubtest::TestWebhook hook(dir_ + "/hook");
    ASSERT_TRUE(hook.start());
    hook.answer(500);
    kub::AlarmDelivery d(dir_, clock_, nullptr, quick());
    d.setTargets({webhookTarget("fe2", hook.url())});
    for (int i = 0; i < 3; ++i) d.post(message("fe2", i));
    ASSERT_TRUE(waitUntil([&] { return hook.requests().size() >= 4; }, 20));
    EXPECT_EQ(waitingFor(d, "fe2"), 3u);
    EXPECT_EQ(d.states().front().lastError.substr(0, 8), "HTTP 500");
    // Every try is the first message again, with the same id: the order holds.
    for (const auto& r : hook.requests()) EXPECT_EQ(r["headers"]["Idempotency-Key"], "fe2-0");
    hook.answer(200);
    ASSERT_TRUE(waitUntil([&] { return waitingFor(d, "fe2") == 0; }, 20));
    const auto bodies = hook.deliveredBodies();
    ASSERT_EQ(bodies.size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(bodies[static_cast<std::size_t>(i)], message("fe2", i).body);
    const auto notices = d.takeNotices();
    EXPECT_EQ(countContaining(notices, "gescheitert"), 1u);
    EXPECT_EQ(countContaining(notices, "wieder erreichbar"), 1u);
}

TEST_F(AlarmDeliveryTest, RefusalsGoToTheFailedListOnceAndAreSaidOnce) {
    if (!kubtest::haveMailServer()) GTEST_SKIP() << "python3-aiosmtpd fehlt";
    kubtest::TestWebhook hook(dir_ + "/hook");
    ASSERT_TRUE(hook.start());
    hook.answer(404);
    kubtest::TestMailServer smtp(dir_ + "/smtp", kubtest::freeLoopbackPort(), true);
    ASSERT_TRUE(smtp.start());
    kub::AlarmDelivery d(dir_, clock_, nullptr, quick());
    kub::AlarmTarget program;
    program.name = "sirene";
    program.kind = kub::AlarmTargetKind::Program;
    program.path = dir_ + "/fehlt";
    kub::AlarmTarget mail;
    mail.name = "chef";
    mail.kind = kub::AlarmTargetKind::Mail;
    mail.server = "smtp://127.0.0.1:" + std::to_string(smtp.port());
    mail.from = "monitor@wache.example";
    mail.to = {"unbekannt@wache.example"};
    d.setTargets({webhookTarget("telegram", hook.url()), program, mail});
    for (int i = 0; i < 2; ++i)
        for (const char* target : {"telegram", "sirene", "chef"}) d.post(message(target, i));
    ASSERT_TRUE(waitUntil(
        [&] { return waitingFor(d, "telegram") + waitingFor(d, "sirene") + waitingFor(d, "chef") == 0; }, 20));
    EXPECT_EQ(hook.requests().size(), 2u);  // never tried again
    for (const auto& s : d.states()) {
        EXPECT_EQ(s.failed, 2u) << s.name;
        EXPECT_FALSE(s.lastError.empty()) << s.name;
    }
    const auto notices = d.takeNotices();
    EXPECT_EQ(countContaining(notices, "lehnt Meldung"), 6u);
    EXPECT_EQ(countContaining(notices, "HTTP 404"), 2u);
    EXPECT_EQ(countContaining(notices, "nicht gefunden oder nicht ausführbar"), 2u);
    EXPECT_EQ(countContaining(notices, "Mailadresse abgelehnt"), 2u);
    kub::AlarmOutbox box(dir_, "telegram", 10);
    EXPECT_EQ(box.failedCount(), 2u);
    const auto failed = kubtest::readFileBytes(box.folder() + "/fehlgeschlagen/0000000000000001.json");
    EXPECT_NE(failed.find("HTTP 404"), std::string::npos);
}

TEST_F(AlarmDeliveryTest, ASlowDestinationDelaysNoOther) {
    kubtest::TestWebhook slow(dir_ + "/slow"), fast(dir_ + "/fast");
    ASSERT_TRUE(slow.start());
    ASSERT_TRUE(fast.start());
    slow.answer(200, 30);
    kub::AlarmDelivery d(dir_, clock_, nullptr, quick());
    d.setTargets({webhookTarget("langsam", slow.url()), webhookTarget("schnell", fast.url())});
    d.post(message("langsam", 0));
    ASSERT_TRUE(waitUntil([&] { return slow.requests().size() == 1; }, 10));
    const auto before = std::chrono::steady_clock::now();
    for (int i = 0; i < 5; ++i) d.post(message("schnell", i));
    ASSERT_TRUE(waitUntil([&] { return fast.deliveredBodies().size() == 5; }, 10));
    EXPECT_EQ(waitingFor(d, "langsam"), 1u);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(10));
}

TEST_F(AlarmDeliveryTest, AHugeAnswerIsCutAndStillDelivers) {
    kubtest::TestWebhook hook(dir_ + "/hook");
    ASSERT_TRUE(hook.start());
    hook.answer(201, 0, 10L << 20);
    kub::AlarmDelivery d(dir_, clock_, nullptr, quick());
    d.setTargets({webhookTarget("ntfy", hook.url())});
    d.post(message("ntfy", 0));
    ASSERT_TRUE(waitUntil([&] { return hook.requests().size() == 1 && waitingFor(d, "ntfy") == 0; }, 20));
    EXPECT_EQ(hook.requests().size(), 1u);
    EXPECT_GT(d.states().front().lastDeliverySeconds, 0);
}

TEST_F(AlarmDeliveryTest, MailArrivesWithItsHeadersAfterADroppedConnection) {
    if (!kubtest::haveMailServer()) GTEST_SKIP() << "python3-aiosmtpd fehlt";
    const int port = kubtest::freeLoopbackPort();
    kubtest::Spawned dropper;
    ASSERT_TRUE(dropper.start({"/usr/bin/python3", KUB_ALARM_SERVERS_PY, "drop", std::to_string(port), "1"},
                              dir_ + "/drop.out", dir_ + "/drop.err"));
    kub::AlarmDelivery d(dir_, clock_, nullptr, quick());
    kub::AlarmTarget t;
    t.name = "wehrfuehrer";
    t.kind = kub::AlarmTargetKind::Mail;
    t.server = "smtp://127.0.0.1:" + std::to_string(port);
    t.from = "monitor@wache.example";
    t.to = {"chef@wache.example", "vize@wache.example"};
    d.setTargets({t});
    kub::AlarmMessage m = message("wehrfuehrer", 3);
    m.subject = "Alarm: B3 Brand Wohnhaus – Straße\r\nBcc: fremd@example.org";
    m.body = "Einsatz für LF 10\nHauptstraße 12\n.\nEnde";
    d.post(m);
    // The first server took the connection and dropped it: the message waits.
    ASSERT_TRUE(waitUntil([&] { return !dropper.running(); }, 20));
    kubtest::TestMailServer smtp(dir_ + "/smtp", port);
    ASSERT_TRUE(smtp.start());
    ASSERT_TRUE(waitUntil([&] { return smtp.mails().size() == 1; }, 30));
    const auto mail = smtp.mails().front();
    EXPECT_EQ(mail["From"], "monitor@wache.example");
    EXPECT_EQ(mail["To"], "chef@wache.example, vize@wache.example");
    EXPECT_EQ(mail["Subject"], "Alarm: B3 Brand Wohnhaus – Straße  Bcc: fremd@example.org");
    EXPECT_EQ(mail["Message-ID"], "<wehrfuehrer-3@kub-monitor.invalid>");
    EXPECT_EQ(mail["Date"], "Tue, 14 Nov 2023 22:13:23 +0000");
    EXPECT_EQ(mail["body"], m.body);
    const auto names = mail["names"].get<std::vector<std::string>>();
    EXPECT_EQ(std::count(names.begin(), names.end(), "Bcc"), 0);
    EXPECT_TRUE(waitUntil([&] { return waitingFor(d, "wehrfuehrer") == 0; }, 5));
}

TEST_F(AlarmDeliveryTest, MqttArrivesAcknowledgedAtASubscriber) {
    if (!kubtest::haveMosquitto()) GTEST_SKIP() << "mosquitto fehlt";
    kubtest::TestBroker broker(dir_);
    ASSERT_TRUE(broker.start());
    kubtest::TestSubscriber sub(dir_, broker.port(), "feuerwehr/#");
    kub::MqttLinkOptions o;
    o.host = "127.0.0.1";
    o.port = broker.port();
    o.clientId = "kub-alarm-test";
    o.onlineTopic = "kub/online";
    kub::MqttLink link(o);
    link.start();
    kub::MqttAlarmLink alarmLink(link);
    kub::AlarmDelivery d(dir_, clock_, &alarmLink, quick());
    kub::AlarmTarget t;
    t.name = "relais";
    t.kind = kub::AlarmTargetKind::Mqtt;
    t.topic = "feuerwehr/alarm";
    d.setTargets({t});
    for (int i = 0; i < 3; ++i) d.post(message("relais", i));
    ASSERT_TRUE(sub.waitForCount(3, 20));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(sub.lines()[static_cast<std::size_t>(i)], "feuerwehr/alarm " + message("relais", i).body);
    EXPECT_TRUE(waitUntil([&] { return waitingFor(d, "relais") == 0; }, 10));
}

TEST_F(AlarmDeliveryTest, ProgramGetsItsArgumentsWithoutAShell) {
    const std::string script = dir_ + "/tor.sh";
    std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$@\" \"$KUB_ALARM_ID\" > \"$0.out.neu\"\n"
                             "mv \"$0.out.neu\" \"$0.out\"\n";
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    kub::AlarmDelivery d(dir_, clock_, nullptr, quick());
    kub::AlarmTarget t;
    t.name = "tor";
    t.kind = kub::AlarmTargetKind::Program;
    t.path = script;
    d.setTargets({t});
    kub::AlarmMessage m = message("tor", 1);
    m.arguments = {"B3 Brand", "$(touch " + dir_ + "/eingeschleust)", ""};
    d.post(m);
    ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(script + ".out"); }, 20));
    EXPECT_EQ(kubtest::readFileBytes(script + ".out"), "B3 Brand\n$(touch " + dir_ + "/eingeschleust)\n\ntor-1\n");
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/eingeschleust"));
}

TEST_F(AlarmDeliveryTest, BoundsDropTheOldestAndRefuseAHugeMessage) {
    kub::AlarmDeliveryLimits limits = quick();
    limits.maxWaiting = 5;
    kub::AlarmDelivery d(dir_, clock_, nullptr, limits);
    d.setTargets({webhookTarget("tot", "http://127.0.0.1:1/")});
    for (int i = 0; i < 8; ++i) d.post(message("tot", i));
    EXPECT_EQ(waitingFor(d, "tot"), 5u);
    kub::AlarmMessage huge = message("tot", 99);
    huge.body.assign(limits.maxMessageBytes + 1, 'x');
    d.post(huge);
    EXPECT_EQ(waitingFor(d, "tot"), 5u);
    const auto notices = d.takeNotices();
    EXPECT_EQ(countContaining(notices, "die ältesten werden verworfen"), 1u);
    EXPECT_EQ(countContaining(notices, "größer als"), 1u);
    kub::AlarmOutbox box(dir_, "tot", 10);
    const auto loaded = box.load();
    ASSERT_EQ(loaded.waiting.size(), 5u);
    EXPECT_EQ(loaded.waiting.front().number, 4u);  // 1 … 3 went
    EXPECT_EQ(kub::AlarmDeliveryLimits{}.maxWaiting, 10000u);
}

TEST_F(AlarmDeliveryTest, AKilledMonitorDeliversEverythingAfterItsRestart) {
    const int port = kubtest::freeLoopbackPort();
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/";
    kubtest::Spawned first;
    ASSERT_TRUE(first.start({KUB_ALARM_DRIVER_EXE, dir_, url, "100"}, dir_ + "/first.out", dir_ + "/first.err"));
    ASSERT_TRUE(waitUntil([&] { return kubtest::readFileBytes(dir_ + "/first.out") == "gepostet\n"; }, 60));
    first.stop(SIGKILL);

    kubtest::TestWebhook hook(dir_ + "/hook");
    ASSERT_TRUE(hook.start(port));
    kubtest::Spawned second;
    ASSERT_TRUE(second.start({KUB_ALARM_DRIVER_EXE, dir_, url, "0"}, dir_ + "/second.out", dir_ + "/second.err"));
    ASSERT_TRUE(waitUntil([&] { return !second.running(); }, 120));
    EXPECT_EQ(kubtest::readFileBytes(dir_ + "/second.out"), "gepostet\nzugestellt\n");
    std::vector<int> seen(100, 0);
    int last = -1;
    for (const auto& body : hook.deliveredBodies()) {
        const int n = nlohmann::json::parse(body)["n"].get<int>();
        ++seen[static_cast<std::size_t>(n)];
        EXPECT_GE(n, last);
        last = n;
    }
    for (int n = 0; n < 100; ++n) EXPECT_GE(seen[static_cast<std::size_t>(n)], 1) << "kill-" << n;
}

}  // namespace
