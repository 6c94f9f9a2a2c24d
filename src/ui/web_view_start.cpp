// The window's live web board: started from "Web.ini" at start-up and again whenever
// "Web-Ansicht" is saved with other values.

#include "history/history_keeper.h"
#include "platform/web_view_server.h"
#include "ui/main_window.h"
#include "ui/reception_tables.h"
#include "ui/settings_web.h"

namespace kub::ui {

void MainWindow::startWebView() {
    wiring_.stopWeb();
    if (!webSettings_.on()) {
        webSection_->showState(QStringLiteral("Web-Ansicht aus."), false);
        return;
    }
    const std::string refusal = wiring_.startWeb(
        WebViewSources{&core_.context.vehicles, &settings_, &stationNames_, this}, webSettings_.address,
        webSettings_.port, webSettings_.key, [this](WebViewState& state) {
            for (auto t : {ReceptionTable::Fms, ReceptionTable::Zvei, ReceptionTable::Pocsag})
                state.seedTable(t, tables_->rowTexts(t));
        });
    if (!refusal.empty()) {
        webSection_->showState(QString::fromStdString(refusal), true);
        return;
    }
    // The pages "Verlauf" and "Statuszeiten" search the history this window keeps.
    if (history_) wiring_.web()->setHistory(&history_->source(), &core_.context.receivers);
    const bool v6 = webSettings_.address.find(':') != std::string::npos;
    const std::string host = v6 ? "[" + webSettings_.address + "]" : webSettings_.address;
    webSection_->showState(QStringLiteral("Web-Ansicht läuft: http://%1:%2/%3")
                               .arg(QString::fromStdString(host))
                               .arg(wiring_.web()->port())
                               .arg(webSettings_.key.empty() ? QString() : QStringLiteral(" (mit Zugangsschlüssel)")),
                           false);
}

}  // namespace kub::ui
