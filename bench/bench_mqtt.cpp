// 50 receiver sites publish into one mosquitto at a district's peak rate (20 receptions
// per second in all); one monitor takes all of them in, as a window or `kubmon run` with
// "Fernempfang" does. Measured: the time from the site's reception (handed to its MQTT
// output) to the monitor's tables, p50 and p99, and what never arrived; the broker is
// restarted in the middle.
//   build/bench/bench_mqtt [SEKUNDEN] [SITES] [PRO_SEKUNDE] [ohne-neustart]   (default 300 50 20)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "common/clock.h"
#include "common/time_text.h"
#include "core/headless_window.h"
#include "core/reception_context.h"
#include "mqtt/mqtt_publisher.h"
#include "mqtt/mqtt_site.h"
#include "support/mqtt_broker.h"
#include "support/run_process.h"

namespace {

using Steady = std::chrono::steady_clock;

struct Arrivals final : kub::ReceptionOutput {
    std::map<long, double>* sent = nullptr;
    std::vector<double> latencies;
    std::map<long, int> seen;
    void deliver(const kub::ReceptionRecord& r) override {
        if (r.site.empty()) return;
        const long n = std::atol(r.ric.c_str());
        ++seen[n];
        const double now = std::chrono::duration<double>(Steady::now().time_since_epoch()).count();
        if (seen[n] == 1) latencies.push_back(now - (*sent)[n]);
    }
};

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 300;
    const int sites = argc > 2 ? std::atoi(argv[2]) : 50;
    const double rate = argc > 3 ? std::atof(argv[3]) : 20;
    const bool restartBroker = !(argc > 4 && std::string(argv[4]) == "ohne-neustart");
    if (!kubtest::haveMosquitto()) {
        std::fprintf(stderr, "mosquitto fehlt\n");
        return 2;
    }
    const std::string dir = kubtest::makeTempDir("kub-bench-mqtt");
    // A district's broker keeps its sessions over a restart.
    kubtest::TestBroker broker(dir, "persistence true\npersistence_location " + dir + "/\nmax_queued_messages 100000\n");
    if (!broker.start()) return 2;

    kub::WallClock clock;
    kub::HeadlessWindow window;
    kub::ReceptionContext context(clock, window);
    std::map<long, double> sent;
    Arrivals arrivals;
    arrivals.sent = &sent;
    const kub::OutputRegistration arrived = context.addOutput(arrivals);

    kub::MqttSettings monitor;
    monitor.server = "127.0.0.1";
    monitor.port = broker.port();
    monitor.prefix = "leitstelle";
    for (int i = 0; i < sites; ++i) monitor.remotePrefixes.push_back("wache" + std::to_string(i));
    std::vector<std::string> said;
    kub::MqttSite site(context, monitor, [&](const std::string& l) { said.push_back(l); });

    std::vector<std::unique_ptr<kub::MqttLink>> links;
    std::vector<std::unique_ptr<kub::MqttPublisher>> publishers;
    for (int i = 0; i < sites; ++i) {
        kub::MqttSettings s = monitor;
        s.prefix = "wache" + std::to_string(i);
        s.remotePrefixes.clear();
        links.push_back(std::make_unique<kub::MqttLink>(kub::linkOptions(s)));
        links.back()->start();
        publishers.push_back(std::make_unique<kub::MqttPublisher>(*links.back(), s.prefix));
    }
    // All connected before the clock starts.
    kubtest::waitUntil([&] { return std::all_of(links.begin(), links.end(), [](auto& l) { return l->connected(); }) &&
                                    site.link().connected(); },
                       20);
    // The monitor subscribes before it says "online": once that is there, it hears all.
    kubtest::waitUntil([&] { return kubtest::retained(broker.port(), monitor.prefix + "/online") == "1"; }, 20);

    const long total = static_cast<long>(seconds * rate);
    const auto start = Steady::now();
    bool restarted = false;
    std::thread restart;
    long n = 0;
    while (n < total) {
        const auto due = start + std::chrono::duration_cast<Steady::duration>(std::chrono::duration<double>(static_cast<double>(n) / rate));
        while (Steady::now() < due) {
            site.poll();
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min<long>(
                100, std::max<long>(1, std::chrono::duration_cast<std::chrono::milliseconds>(due - Steady::now()).count()))));
        }
        if (restartBroker && !restarted && n >= total / 2) {
            restarted = true;
            broker.stop();
            restart = std::thread([&broker] {
                std::this_thread::sleep_for(std::chrono::seconds(2));
                broker.start();
            });
        }
        ++n;
        kub::ReceptionRecord r;
        r.seconds = clock.nowSeconds();
        r.time = kub::isoTimeText(r.seconds);
        r.channel = "left";
        r.protocol = kub::RecordProtocol::Pocsag;
        r.ric = std::to_string(n);
        r.function = 3;
        r.text = "Probealarm " + std::to_string(n);
        r.line = "##POC#" + r.ric + "#3#" + r.text + "#+";
        sent[n] = std::chrono::duration<double>(Steady::now().time_since_epoch()).count();
        publishers[static_cast<std::size_t>(n % sites)]->deliver(r);
    }
    if (restart.joinable()) restart.join();
    // Whatever is still on its way.
    const auto drainEnd = Steady::now() + std::chrono::seconds(30);
    while (static_cast<long>(arrivals.seen.size()) < total && Steady::now() < drainEnd) {
        site.poll();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    long duplicates = 0;
    for (const auto& [k, c] : arrivals.seen) duplicates += c - 1;
    const long lost = total - static_cast<long>(arrivals.seen.size());
    if (restartBroker)
        std::printf("sites %d, %.1f receptions/s, %d s, broker restarted after %d s (2 s away)\n", sites, rate,
                    seconds, seconds / 2);
    else
        std::printf("sites %d, %.1f receptions/s, %d s, broker not restarted\n", sites, rate, seconds);
    std::printf("sent %ld, arrived %zu, lost %ld, shown twice %ld\n", total, arrivals.seen.size(), lost, duplicates);
    std::printf("latency p50 %.1f ms, p99 %.1f ms, max %.1f ms\n", 1000 * percentile(arrivals.latencies, 0.5),
                1000 * percentile(arrivals.latencies, 0.99), 1000 * percentile(arrivals.latencies, 1.0));
    for (auto& l : links) l->stop(1);
    site.stop(1);
    broker.stop();
    kubtest::removeTree(dir);
    return lost == 0 ? 0 : 1;
}
