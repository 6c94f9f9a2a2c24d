// "Alarmierung.toml" as the start-up reads it, then used as the incidents use it: its
// field expressions run over an alarm text (and over the input itself), its test-alarm
// windows asked. Whatever a user writes must end in settings or messages, never a crash
// or a hang.

#include <cstdint>
#include <string>

#include "core/test_alarm.h"
#include "core/text_fields.h"
#include "storage/alarm_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> messages;
    const kub::AlarmSettings s = kub::parseAlarmSettings(text, messages);
    if (s.windowSeconds < 1 || s.windowSeconds > kub::kLongestIncidentSeconds || s.followSeconds < 0 ||
        s.followSeconds > kub::kLongestIncidentSeconds)
        std::abort();
    const kub::TextFields fields(s.fields);
    (void)fields.read("B3 Brand Wohnhaus, Hauptstr. 5, 2.OG, Pers. i. Gef.");
    (void)fields.read(text.substr(0, 512));
    const std::vector<kub::Einheit> units = {{"1234567", 3, "", "", 0}, {"", -1, "25431", "", 0}};
    for (double t = 1796738700; t < 1796738700 + 7 * 86400; t += 3 * 3600 + 17 * 60)
        (void)kub::isTestAlarm(s.testAlarms, t, units);
    return 0;
}
