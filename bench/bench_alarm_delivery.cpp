// Alarm delivery against real servers on loopback (Python's http.server, aiosmtpd):
//  1. latency: one message at a time to a webhook, from post() (on disk, flushed) until
//     the webhook has answered 2xx; p50, p99, max;
//  2. outage: messages to a webhook and to a mail server all along, both servers gone for
//     AUSFALL seconds in the middle, then back on the same ports; counted: what arrived,
//     what was lost, what came twice, whether each destination kept the order, and how
//     long after the servers came back the last message arrived.
//   build/bench/bench_alarm_delivery [AUSFALL] [ANZAHL]   (default 60 300)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "alarm/alarm_delivery.h"
#include "support/alarm_servers.h"
#include "support/run_process.h"

namespace {

using Steady = std::chrono::steady_clock;

double secondsSince(Steady::time_point t) { return std::chrono::duration<double>(Steady::now() - t).count(); }

std::size_t waiting(const kub::AlarmDelivery& d, const std::string& name) {
    for (const auto& s : d.states())
        if (s.name == name) return s.waiting;
    return 0;
}

kub::AlarmMessage numbered(const std::string& target, int n) {
    kub::AlarmMessage m;
    m.id = target + "-" + std::to_string(n);
    m.target = target;
    m.seconds = 1700000000 + n;
    m.subject = "Alarm " + std::to_string(n);
    m.body = "{\"id\":\"" + m.id + "\",\"n\":" + std::to_string(n) + "}";
    return m;
}

struct Tally {
    std::size_t arrived = 0, lost = 0, twice = 0;
    bool ordered = true;
};

Tally tally(const std::vector<int>& order, int sent) {
    Tally t;
    std::map<int, int> seen;
    int last = -1;
    for (int n : order) {
        t.ordered = t.ordered && n >= last;
        last = std::max(last, n);
        ++seen[n];
    }
    for (int n = 0; n < sent; ++n) {
        if (seen[n] == 0) ++t.lost;
        if (seen[n] > 1) ++t.twice;
    }
    t.arrived = seen.size();
    return t;
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const double outage = argc > 1 ? std::atof(argv[1]) : 60;
    const int count = argc > 2 ? std::atoi(argv[2]) : 300;
    const std::string dir = kubtest::makeTempDir("kub-bench-alarm");
    kub::WallClock clock;

    // 1. Latency.
    {
        kubtest::TestWebhook hook(dir + "/latenz");
        if (!hook.start()) return 1;
        kub::AlarmDelivery d(dir + "/latenz", clock);
        kub::AlarmTarget t;
        t.name = "webhook";
        t.url = hook.url();
        d.setTargets({t});
        std::vector<double> ms;
        for (int i = 0; i < count; ++i) {
            const auto start = Steady::now();
            d.post(numbered("webhook", i));
            while (waiting(d, "webhook") > 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
            ms.push_back(secondsSince(start) * 1000);
        }
        std::printf("Webhook, %d Meldungen einzeln: p50 %.1f ms, p99 %.1f ms, max %.1f ms\n", count,
                    percentile(ms, 0.5), percentile(ms, 0.99), *std::max_element(ms.begin(), ms.end()));
    }

    // 2. Outage of both servers.
    kubtest::TestWebhook hook(dir + "/hook");
    kubtest::TestMailServer smtp(dir + "/smtp", kubtest::freeLoopbackPort());
    if (!hook.start() || !smtp.start()) return 1;
    const int hookPort = hook.port();
    kub::AlarmDelivery d(dir + "/ausfall", clock);
    kub::AlarmTarget web;
    web.name = "webhook";
    web.url = hook.url();
    kub::AlarmTarget mail;
    mail.name = "mail";
    mail.kind = kub::AlarmTargetKind::Mail;
    mail.server = "smtp://127.0.0.1:" + std::to_string(smtp.port());
    mail.from = "monitor@wache.example";
    mail.to = {"chef@wache.example"};
    d.setTargets({web, mail});

    const double rate = 2;  // messages per second and destination
    const double lead = 10, tail = 10;
    int sent = 0;
    const auto begin = Steady::now();
    bool down = false, back = false;
    Steady::time_point backAt;
    while (secondsSince(begin) < lead + outage + tail) {
        const double now = secondsSince(begin);
        if (!down && now >= lead) {
            hook.stop();
            smtp.stop();
            down = true;
            std::printf("Server weg nach %d Meldungen je Ziel\n", sent);
        }
        if (down && !back && now >= lead + outage) {
            if (!hook.start(hookPort) || !smtp.start()) return 1;
            back = true;
            backAt = Steady::now();
            std::printf("Server wieder da nach %d Meldungen je Ziel\n", sent);
        }
        if (sent < static_cast<int>(now * rate)) {
            d.post(numbered("webhook", sent));
            d.post(numbered("mail", sent));
            ++sent;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    while (waiting(d, "webhook") + waiting(d, "mail") > 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const double drained = secondsSince(backAt);

    std::vector<int> webOrder, mailOrder;
    for (const auto& body : hook.deliveredBodies()) webOrder.push_back(nlohmann::json::parse(body)["n"].get<int>());
    for (const auto& m : smtp.mails())
        mailOrder.push_back(nlohmann::json::parse(m["body"].get<std::string>())["n"].get<int>());
    const Tally w = tally(webOrder, sent), m = tally(mailOrder, sent);
    std::printf("Ausfall %.0f s, %d Meldungen je Ziel, alles zugestellt %.1f s nach der Rückkehr\n", outage, sent,
                drained);
    std::printf("| Ziel | gesendet | angekommen | verloren | doppelt | Reihenfolge |\n");
    std::printf("| webhook | %d | %zu | %zu | %zu | %s |\n", sent, w.arrived, w.lost, w.twice, w.ordered ? "ja" : "nein");
    std::printf("| mail | %d | %zu | %zu | %zu | %s |\n", sent, m.arrived, m.lost, m.twice, m.ordered ? "ja" : "nein");
    hook.stop();
    smtp.stop();
    kubtest::removeTree(dir);
    return w.lost + m.lost == 0 && w.ordered && m.ordered ? 0 : 1;
}
