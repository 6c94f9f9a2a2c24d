// The window's live web board: started from "Web.ini" at start-up and again whenever
// "Web-Ansicht" is saved with other values.

#include "platform/web_view_server.h"
#include "ui/main_window.h"
#include "ui/reception_tables.h"
#include "ui/settings_web.h"

namespace kub::ui {

void MainWindow::startWebView() {
    if (web_) {
        std::erase(core_.context.outputs, web_.get());
        web_.reset();
    }
    if (!webSettings_.on()) {
        webSection_->showState(QStringLiteral("Web-Ansicht aus."), false);
        return;
    }
    web_ = std::make_unique<WebViewServer>(
        WebViewSources{&core_.context.vehicles, &settings_, &stationNames_, this});
    const std::string refusal = web_->start(webSettings_.address, webSettings_.port, webSettings_.key);
    if (!refusal.empty()) {
        web_.reset();
        webSection_->showState(QString::fromStdString(refusal), true);
        return;
    }
    for (auto t : {ReceptionTable::Fms, ReceptionTable::Zvei, ReceptionTable::Pocsag})
        web_->state().seedTable(t, tables_->rowTexts(t));
    core_.context.outputs.push_back(web_.get());
    const bool v6 = webSettings_.address.find(':') != std::string::npos;
    const std::string host = v6 ? "[" + webSettings_.address + "]" : webSettings_.address;
    webSection_->showState(QStringLiteral("Web-Ansicht läuft: http://%1:%2/%3")
                               .arg(QString::fromStdString(host))
                               .arg(web_->port())
                               .arg(webSettings_.key.empty() ? QString() : QStringLiteral(" (mit Zugangsschlüssel)")),
                           false);
}

}  // namespace kub::ui
