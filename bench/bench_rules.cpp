// What the alarm rules cost the decoding thread: a district's worth of rules (1000, to 50
// destinations; RICs and ranges, protocols, some time windows, texts and Kennung
// wildcards) against 100 000 records of every protocol. Per record: the judgement alone,
// and the whole output (judgement and the messages for every destination chosen, into a
// dispatch that keeps nothing). Goal: p99 of the judgement under 20 µs per record.
//   ./build/bench/bench_rules [records]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "alarm/alarm_matcher.h"
#include "alarm/alarm_rules_file.h"
#include "alarm/alarm_rules_output.h"
#include "common/time_text.h"

namespace {

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1))];
}

std::string rulesFile() {
    std::string f;
    for (int t = 0; t < 50; ++t)
        f += "[ziel.z" + std::to_string(t) + "]\nart = \"webhook\"\nurl = \"http://127.0.0.1:9/" + std::to_string(t) +
             "\"\n";
    for (int i = 0; i < 1000; ++i) {
        const int ric = 1000000 + i * 97;
        f += "[[regel]]\nname = \"Regel " + std::to_string(i) + "\"\nziele = [\"z" + std::to_string(i % 50) + "\"]\n";
        f += "wenn.ric = [\"" + std::to_string(ric) + "\", \"" + std::to_string(ric + 10) + "-" + std::to_string(ric + 19) +
             "\", " + std::to_string(ric + 40) + "]\n";
        if (i % 2 == 0) f += "wenn.protokoll = [\"pocsag\", \"einsatz\"]\n";
        if (i % 10 == 0) f += "wenn.zeit = [\"Mo-Fr 06:00-18:00\", \"Sa,So 22:00-06:00\"]\n";
        if (i % 20 == 0) f += "wenn.text = [\"^(B|THL)\\\\d\", \"Brand\"]\n";
        if (i % 5 == 0) f += "ausser.probealarm = true\n";
    }
    for (int i = 0; i < 20; ++i)
        f += "[[regel]]\nziele = [\"z" + std::to_string(i) + "\"]\nwenn.kennung = [\"6234" + std::to_string(i % 10) +
             "*\", \"*11*0\"]\nwenn.status = [0, 5]\n";
    return f;
}

kub::ReceptionRecord recordNo(int i) {
    kub::ReceptionRecord r;
    r.seconds = 1796738700 + i * 7.3;
    r.time = kub::isoTimeText(r.seconds);
    r.channel = i % 3 ? "left" : "right";
    switch (i % 20) {
        case 0: case 1: case 2: case 3: case 4:
            r.protocol = kub::RecordProtocol::Pocsag;
            r.ric = std::to_string(1000000 + (i * 31) % 97000);
            r.function = i % 4;
            r.text = i % 2 ? "B3 Brand Wohnhaus Hauptstr. 5, 2.OG, Pers. i. Gef." : "";
            break;
        case 5: case 6:
            r.protocol = kub::RecordProtocol::Zvei;
            r.code = std::to_string(25000 + i % 1000);
            break;
        case 7:
            r.protocol = kub::RecordProtocol::Einsatz;
            for (int u = 0; u < 6; ++u) r.einheiten.push_back({std::to_string(1000000 + (i + u * 97) % 97000), u % 4, "", "LF", 0});
            r.text = "THL1 VU eingeklemmte Person";
            r.probealarm = i % 40 == 7;
            break;
        default:
            r.protocol = kub::RecordProtocol::Fms;
            r.kennung = "6234" + std::to_string(1000 + i % 9000);
            r.status = i % 10;
            break;
    }
    return r;
}

struct Nowhere final : kub::AlarmDispatch {
    void post(const kub::AlarmMessage&) override { ++posted; }
    std::vector<kub::AlarmTargetState> states() const override { return {}; }
    std::size_t posted = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    const std::string text = rulesFile();
    const auto loadStart = std::chrono::steady_clock::now();
    const kub::AlarmRulesRead read = kub::parseAlarmRules(text);
    const double loadMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - loadStart).count();
    if (!read.faults.empty()) {
        std::fprintf(stderr, "%s\n", read.faults.front().c_str());
        return 1;
    }
    std::vector<kub::ReceptionRecord> records;
    for (int i = 0; i < count; ++i) records.push_back(recordNo(i));

    kub::AlarmMatcher matcher(read.rules);
    std::vector<double> matchUs;
    std::size_t chosen = 0;
    for (const auto& r : records) {
        const auto t0 = std::chrono::steady_clock::now();
        chosen += matcher.match(r).size();
        matchUs.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
    }

    const std::string folder = std::filesystem::temp_directory_path() / ("kub-bench-rules-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/Alarmierung.toml") << text;
    kub::ManualClock clock(1796738700);
    Nowhere dispatch;
    kub::AlarmRulesOutput output(folder, clock, dispatch, {});
    std::vector<double> deliverUs;
    for (const auto& r : records) {
        const auto t0 = std::chrono::steady_clock::now();
        output.deliver(r);
        deliverUs.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
    }
    std::filesystem::remove_all(folder);

    std::printf("rules: %zu, destinations: %zu, file read in %.1f ms\n", read.rules.rules.size(),
                read.rules.targets.size(), loadMs);
    std::printf("records: %d, destinations chosen: %zu, messages posted: %zu\n", count, chosen, dispatch.posted);
    std::printf("judgement per record: p50 %.2f us, p99 %.2f us, max %.1f us\n", percentile(matchUs, 0.5),
                percentile(matchUs, 0.99), percentile(matchUs, 1.0));
    std::printf("output per record (judgement + messages): p50 %.2f us, p99 %.2f us, max %.1f us\n",
                percentile(deliverUs, 0.5), percentile(deliverUs, 0.99), percentile(deliverUs, 1.0));
    return percentile(matchUs, 0.99) < 20 ? 0 : 1;
}
