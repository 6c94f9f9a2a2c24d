// The reception watchdog on a hand-set clock: quiet channels and missing names are said
// once when they go quiet and once when reception returns.

#include <gtest/gtest.h>

#include "core/reception_watchdog.h"

namespace {

kub::ReceptionRecord heard(const char* channel, const char* ric, const char* site = "") {
    kub::ReceptionRecord r;
    r.channel = channel;
    r.protocol = kub::RecordProtocol::Pocsag;
    r.ric = ric;
    r.site = site;
    return r;
}

TEST(ReceptionWatchdog, QuietAndBackAreEachSaidOnce) {
    kub::ManualClock clock(1796738707);
    kub::ReceptionWatchdog dog(clock, {"left", "right"}, 10, {{"1234567", 30}, {"623b1234", 5}});
    struct Step {
        double advance;
        const char* channel;  // a reception on it, or none
        const char* ric;
        const char* site;
        std::vector<std::string> said;
    };
    const Step steps[] = {
        {4 * 60, "left", "7654321", "", {}},
        {60 - 1, nullptr, nullptr, nullptr, {}},
        {1, nullptr, nullptr, nullptr, {"Empfangswächter: 623b1234 seit 5 Minuten nicht empfangen."}},
        {5 * 60, nullptr, nullptr, nullptr, {"Empfangswächter: Kanal rechts seit 10 Minuten nichts dekodiert."}},
        {60, nullptr, nullptr, nullptr, {}},
        // Another site's reception says nothing about our receivers.
        {60, "right", "1234567", "kreis/wache2", {}},
        {60, "right", "1234567", "",
         {"Empfangswächter: Kanal rechts dekodiert wieder."}},
        {4 * 60, nullptr, nullptr, nullptr, {"Empfangswächter: Kanal links seit 10 Minuten nichts dekodiert."}},
        {30 * 60, nullptr, nullptr, nullptr,
         {"Empfangswächter: Kanal rechts seit 10 Minuten nichts dekodiert.",
          "Empfangswächter: 1234567 seit 30 Minuten nicht empfangen."}},
    };
    int n = 0;
    for (const auto& s : steps) {
        clock.advance(s.advance);
        if (s.channel) dog.deliver(heard(s.channel, s.ric, s.site));
        std::vector<std::string> said;
        for (const auto& e : dog.check()) said.push_back(e.message);
        EXPECT_EQ(said, s.said) << "step " << n;
        ++n;
    }
    EXPECT_EQ(dog.silentNow(), (std::vector<std::string>{"Kanal links", "Kanal rechts", "1234567", "623b1234"}));
    const std::string json = dog.stateJson({"1234567", true, "x"});
    EXPECT_NE(json.find("\"ok\":false,\"silent\":[\"Kanal links\",\"Kanal rechts\",\"1234567\",\"623b1234\"]"),
              std::string::npos)
        << json;
}

}  // namespace
