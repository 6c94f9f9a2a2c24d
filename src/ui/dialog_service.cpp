#include "ui/dialog_service.h"

#include <QFileDialog>
#include <QMessageBox>

namespace kub::ui {

namespace {

class MessageBoxService final : public DialogService {
public:
    void message(QWidget* parent, const QString& text, const QString& title,
                 DialogIcon icon) override {
        QMessageBox box(parent);
        box.setWindowTitle(title.isEmpty() ? QStringLiteral("KUB-Monitor") : title);
        box.setText(text);
        switch (icon) {
            case DialogIcon::None: box.setIcon(QMessageBox::NoIcon); break;
            case DialogIcon::Error: box.setIcon(QMessageBox::Critical); break;
            case DialogIcon::Warning: box.setIcon(QMessageBox::Warning); break;
            case DialogIcon::Information: box.setIcon(QMessageBox::Information); break;
        }
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
    }
};

MessageBoxService boxes;
DialogService* current = &boxes;

}  // namespace

QString DialogService::openFile(QWidget* parent, const QString& caption, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
}

DialogService& dialogs() { return *current; }

void setDialogService(DialogService* service) { current = service ? service : &boxes; }

}  // namespace kub::ui
