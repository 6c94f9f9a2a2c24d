// A monitor in small for the crash test: delivers to one webhook from the outbox in
// FOLDER, first posting COUNT messages (ids "kill-0" …), says "gepostet" when they are all
// posted, and ends once nothing waits any more. The test kills it while the webhook is
// down and starts it again once the webhook is up.
//   delivery_driver FOLDER URL COUNT

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "alarm/alarm_delivery.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "Aufruf: delivery_driver ORDNER URL ANZAHL\n");
        return 2;
    }
    kub::WallClock clock;
    kub::AlarmDeliveryLimits limits;
    limits.firstPauseSeconds = 0.1;
    limits.longestPauseSeconds = 0.5;
    kub::AlarmDelivery delivery(argv[1], clock, nullptr, limits);
    kub::AlarmTarget target;
    target.name = "leitstelle";
    target.url = argv[2];
    delivery.setTargets({target});
    const int count = std::stoi(argv[3]);
    for (int i = 0; i < count; ++i) {
        kub::AlarmMessage m;
        m.id = "kill-" + std::to_string(i);
        m.target = "leitstelle";
        m.body = "{\"id\":\"" + m.id + "\",\"n\":" + std::to_string(i) + "}";
        delivery.post(m);
    }
    std::printf("gepostet\n");
    std::fflush(stdout);
    while (delivery.states().front().waiting > 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::printf("zugestellt\n");
    return 0;
}
