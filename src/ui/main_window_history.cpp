// The window's reception history: started after today's logs are back in the tables,
// its news (a full disk, a damaged file, a server gone away, and that it writes again)
// in the red line before the tabs, never in a box.
#include <QLabel>
#include <QMetaObject>

#include "history/history_keeper.h"
#include "ui/main_window.h"

namespace kub::ui {

void MainWindow::startHistory() {
    QLabel* line = writeFailure_;
    // Told on the history's writer thread; shown on the window's.
    auto show = [line](const std::string& message) {
        QMetaObject::invokeMethod(
            line,
            [line, text = QString::fromStdString(message)] {
                line->setText(text);
                line->show();
            },
            Qt::QueuedConnection);
    };
    auto hide = [line] { QMetaObject::invokeMethod(line, [line] { line->hide(); }, Qt::QueuedConnection); };
    history_ = std::make_unique<HistoryKeeper>(folder_, clock_, std::string(), show, hide);
    historyOutput_ = core_.context.addOutput(history_->output());
}

void MainWindow::stopHistory() {
    if (!history_) return;
    historyOutput_.reset();
    history_->stop();
    history_.reset();
}

}  // namespace kub::ui
