// The live web board with a history behind it, for the browser test of the pages
// "Verlauf" and "Statuszeiten": a day of receptions in memory (8 December 2025), one board
// with an access key and that history, one without a history. Prints both addresses and
// serves until it is ended.
//   history_board_server KEY

#include <QCoreApplication>
#include <cstdio>
#include <string>

#include "common/time_text.h"
#include "core/headless_window.h"
#include "platform/web_view_server.h"
#include "storage/settings.h"
#include "support/memory_history.h"
#include "support/run_process.h"

namespace {

double at(int hour, int minute, int day = 8) { return kubtest::localEpoch(2025, 12, day, hour, minute); }

kub::ReceptionRecord page(double seconds, const std::string& ric, const std::string& text) {
    kub::ReceptionRecord r;
    r.seconds = seconds;
    r.time = kub::isoTimeText(seconds);
    r.protocol = kub::RecordProtocol::Pocsag;
    r.channel = "right";
    r.ric = ric;
    r.function = 3;
    r.text = text;
    return r;
}

kub::ReceptionRecord status(double seconds, const std::string& kennung, const std::string& vehicle, int s) {
    kub::ReceptionRecord r;
    r.seconds = seconds;
    r.time = kub::isoTimeText(seconds);
    r.protocol = kub::RecordProtocol::Fms;
    r.channel = "left";
    r.kennung = kennung;
    r.vehicle = vehicle;
    r.status = s;
    r.direction = 0;
    return r;
}

void fill(kubtest::MemoryHistory& h) {
    // More pages than fit on one page of results; one names a word no other one has.
    for (int i = 0; i < 80; ++i)
        h.add(page(at(8, 0) + i * 60, "1300" + std::to_string(100 + i), "Probealarm Gruppe " + std::to_string(i)));
    h.add(page(at(9, 30), "1234500", "Brand Lagerhalle Industriestraße 7 <b>nicht fett</b>"));
    kub::ReceptionRecord incident = page(at(9, 58), "1234567", "B3 Brand Wohnhaus");
    incident.protocol = kub::RecordProtocol::Einsatz;
    incident.einheiten.push_back({"1234567", 3, "", "LZ Süd", 0});
    h.add(incident);
    h.add(status(at(6, 0, 7), "62341110", "HLF Süd 1", 2));
    for (auto [t, s] : {std::pair{at(10, 0), 3}, {at(10, 8), 4}, {at(10, 40), 1}, {at(10, 50), 2}})
        h.add(status(t, "62341110", "HLF Süd 1", s));
    for (auto [t, s] : {std::pair{at(12, 0), 3}, {at(12, 9), 4}, {at(12, 30), 7}, {at(12, 50), 8}, {at(13, 20), 1},
                        {at(13, 40), 2}})
        h.add(status(t, "52341183", "RTW Nord", s));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("Aufruf: history_board_server SCHLÜSSEL\n", stderr);
        return 2;
    }
    kub::VehicleTable vehicles;
    kub::Settings settings = kub::defaultSettings();
    kub::StationNames names{};
    kub::HeadlessWindow window;
    kubtest::MemoryHistory history;
    fill(history);
    kub::ReceiverLists receivers;
    receivers.assignmentList.push_back({"62341110", "1234567", "HLF Süd 1"});

    kub::WebViewServer withHistory({&vehicles, &settings, &names, &window});
    kub::WebViewServer without({&vehicles, &settings, &names, &window});
    withHistory.setHistory(&history, &receivers);
    for (auto [server, key] : {std::pair{&withHistory, std::string(argv[1])}, {&without, std::string()}}) {
        const std::string refusal = server->start("127.0.0.1", 0, key);
        if (!refusal.empty()) {
            std::fprintf(stderr, "%s\n", refusal.c_str());
            return 1;
        }
    }
    std::printf("Verlauf: http://127.0.0.1:%d/\nOhne: http://127.0.0.1:%d/\n", withHistory.port(), without.port());
    std::fflush(stdout);
    const int status = app.exec();
    withHistory.setHistory(nullptr, nullptr);
    return status;
}
