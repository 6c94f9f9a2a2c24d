// The settings sections of the window and the board editing, wired to the data they
// change and to the window's page writer, upload and TCP lamp.
#include "ui/board_editor.h"
#include "ui/dial_up_dialog.h"
#include "ui/dialog_service.h"
#include "ui/main_window.h"
#include "ui/reception_tables.h"
#include "ui/settings_actions.h"
#include "ui/settings_colours.h"
#include "ui/settings_history.h"
#include "ui/settings_html.h"
#include "ui/settings_import.h"
#include "ui/settings_messages.h"
#include "ui/settings_receivers.h"
#include "ui/settings_tab.h"
#include "ui/settings_web.h"
#include "ui/settings_tcp.h"
#include "ui/status_board.h"
#include "web/ftp_upload.h"
#include "web/status_page.h"
#include "web/status_page_input.h"

namespace kub::ui {

void MainWindow::buildSettingsSections() {
    auto notWrittenHook = [this](const QString& fileName) { notWritten(fileName); };
    receiversSection_ =
        new ReceiversSection(ReceiverEditContext{core_.context.receivers, folder_, notWrittenHook}, settingsTab_);
    importSection_ = new VehicleImportSection(
        VehicleImportContext{core_.context.vehicles, folder_,
                             [this] {
                                 core_.context.markPageChanged();
                                 update_label();
                             },
                             notWrittenHook},
        settingsTab_);
    actionsSection_ = new ActionsSection(settingsTab_);
    coloursSection_ = new StatusColoursSection(settingsTab_);
    htmlSection_ = new HtmlExportSection(settingsTab_);
    tcpSection_ = new TcpExportSection(settingsTab_);
    messageSection_ = new WindowMessageSection(settingsTab_);
    settingsTab_->addSection(1, receiversSection_);
    settingsTab_->addSection(2, importSection_);
    settingsTab_->addSection(3, actionsSection_);
    settingsTab_->addSection(6, coloursSection_);
    settingsTab_->addSection(7, htmlSection_);
    settingsTab_->addSection(8, tcpSection_);
    settingsTab_->addSection(9, messageSection_);
    webSection_ = new WebViewSection(settingsTab_);
    settingsTab_->addSection(10, webSection_);
    historySection_ = new HistorySection(folder_, settingsTab_);
    settingsTab_->addSection(13, historySection_);
    connect(htmlSection_, &HtmlExportSection::writePageRequested, this, [this] {
        if (!writeStatusPageNow()) notWritten(QStringLiteral("status.html"));
    });
    connect(htmlSection_, &HtmlExportSection::uploadRequested, this, &MainWindow::uploadStatusPageNow);
    exports_->onWatchdogTick = [this](const WatchdogTick& tick) { tcpSection_->showTick(tick); };

    boardEditor_ = new BoardEditor(BoardEditorContext{core_.context.vehicles, core_.context.receivers, settings_,
                                                      stationNames_, folder_, clock_, core_.context.pageChange,
                                                      notWrittenHook},
                                   board_, this);
}

void MainWindow::notWritten(const QString& fileName) { warnNotWritten(this, fileName); }

bool MainWindow::writeStatusPageNow() { return session_.writeStatusPage(); }

void MainWindow::uploadStatusPageNow() { session_.uploadStatusPage(); }

void MainWindow::addUploadMessage(const std::string& text) {
    htmlSection_->addUploadMessage(QString::fromStdString(text));
}

int MainWindow::chooseDialUpEntry(const std::vector<std::string>& phoneBook) {
    return ui::chooseDialUpEntry(phoneBook, this);
}

}  // namespace kub::ui
