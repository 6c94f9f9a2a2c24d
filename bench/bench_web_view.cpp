// The live web board's cost: what handing one reception to it costs the decoding side,
// and how long until every viewer has it, with V browsers watching (WebSocket clients in
// this process, so the time includes their side too: an upper bound).
//   bench_web_view [VIEWERS] [RECEPTIONS]     (default 50 viewers, 500 receptions)

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWebSocket>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "core/headless_window.h"
#include "platform/web_view_server.h"

int main(int argc, char** argv) {
    const int viewers = argc > 1 ? std::atoi(argv[1]) : 50;
    const int total = argc > 2 ? std::atoi(argv[2]) : 500;
    QCoreApplication app(argc, argv);

    kub::VehicleTable vehicles;
    vehicles.applyLayout(kub::BoardLayout::Columns10Rows20);
    for (int k = 0; k < 200; ++k)
        vehicles.vehicleTable[static_cast<std::size_t>(k)] = {"623B" + std::to_string(1000 + k), "HLF " + std::to_string(k),
                                                              "Hilfeleistung", 2, 0, "08.12. 10:00"};
    kub::Settings settings = kub::defaultSettings();
    kub::StationNames names{};
    kub::HeadlessWindow window;
    kub::WebViewServer server({&vehicles, &settings, &names, &window});
    if (!server.start("127.0.0.1", 0, "").empty()) return 1;

    std::vector<std::unique_ptr<QWebSocket>> clients;
    std::vector<int> got(static_cast<std::size_t>(viewers), 0);
    for (int i = 0; i < viewers; ++i) {
        clients.push_back(std::make_unique<QWebSocket>());
        QObject::connect(clients.back().get(), &QWebSocket::textMessageReceived, [&got, i](const QString& m) {
            if (m.startsWith(QStringLiteral("{\"type\":\"reception\""))) ++got[static_cast<std::size_t>(i)];
        });
        clients.back()->open(QUrl(QStringLiteral("ws://127.0.0.1:%1/live").arg(server.port())));
    }
    QElapsedTimer wait;
    wait.start();
    while (server.viewerCount() < viewers && wait.elapsed() < 20000) QCoreApplication::processEvents();
    if (server.viewerCount() < viewers) {
        std::fprintf(stderr, "nur %d Zuschauer verbunden\n", server.viewerCount());
        return 1;
    }

    kub::ReceptionRecord r;
    r.protocol = kub::RecordProtocol::Pocsag;
    r.seconds = 1796730000;
    r.ric = "1234567";
    r.function = 3;
    r.name = "Wehrführer Süd";
    r.text = "Brand Wohnhaus, Hauptstraße 12, Personen im Gebäude";
    std::vector<double> deliverNs;
    std::vector<double> allSeenUs;
    for (int n = 1; n <= total; ++n) {
        const auto t0 = std::chrono::steady_clock::now();
        server.deliver(r);
        const auto t1 = std::chrono::steady_clock::now();
        deliverNs.push_back(std::chrono::duration<double, std::nano>(t1 - t0).count());
        while (std::any_of(got.begin(), got.end(), [n](int g) { return g < n; })) QCoreApplication::processEvents();
        allSeenUs.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
    }
    auto report = [](const char* what, std::vector<double> v, const char* unit) {
        std::sort(v.begin(), v.end());
        std::printf("%-48s median %8.1f %s   p99 %8.1f %s   max %8.1f %s\n", what, v[v.size() / 2], unit,
                    v[v.size() * 99 / 100], unit, v.back(), unit);
    };
    std::printf("%d Zuschauer, %d Empfänge\n", viewers, total);
    report("deliver() auf der Dekodierseite", deliverNs, "ns");
    report("bis alle Zuschauer den Empfang haben", allSeenUs, "us");
    return 0;
}
