// What the incident grouping costs the decoding thread, at its worst: a network paging
// many RICs, each with a text of its own, so that the most incidents are open at once,
// each page compared with all of them; and the closing of an incident with 500 units
// (encryption judgement, fields, row). Goal: well under a millisecond per page.
//   ./build/bench/bench_incidents [pages]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/headless_window.h"
#include "core/reception_context.h"

namespace {

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1))];
}

}  // namespace

int main(int argc, char** argv) {
    const int pages = argc > 1 ? std::atoi(argv[1]) : 20000;
    kub::ManualClock clock(1796738700);
    kub::HeadlessWindow window;
    kub::ReceptionContext context(clock, window);
    std::vector<double> pageUs, tickUs;
    int incidents = 0;
    struct Count final : kub::ReceptionOutput {
        int* n;
        void deliver(const kub::ReceptionRecord&) override { ++*n; }
    } count;
    count.n = &incidents;
    const kub::OutputRegistration counted = context.addOutput(count);
    for (int i = 0; i < pages; ++i) {
        // Every fourth page a new alarm text, the rest to the same text: many open incidents
        // with many units each.
        kub::ReceptionRecord r = context.newRecord(kub::RecordProtocol::Pocsag, "right");
        r.ric = std::to_string(1000000 + i % 5000);
        r.function = i % 4;
        r.text = "B3 Brand Wohnhaus Hauptstr. " + std::to_string(i / 4) + ", 2.OG, Pers. i. Gef.";
        r.name = "Löschzug Süd (HLF 20)";
        auto t0 = std::chrono::steady_clock::now();
        context.incidents.deliver(r);
        pageUs.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
        clock.advance(0.05);
        t0 = std::chrono::steady_clock::now();
        context.incidents.tick();
        tickUs.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
    }
    context.incidents.flush();
    std::printf("%d pages, %d incidents\n", pages, incidents);
    std::printf("per page: p50 %.1f us, p99 %.1f us, max %.1f us\n", percentile(pageUs, 0.5), percentile(pageUs, 0.99),
                percentile(pageUs, 1.0));
    std::printf("per tick: p50 %.1f us, p99 %.1f us, max %.1f us\n", percentile(tickUs, 0.5), percentile(tickUs, 0.99),
                percentile(tickUs, 1.0));
    return 0;
}
