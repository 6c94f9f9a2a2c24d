#include "ui/dialog_service.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>

namespace kub::ui {

bool DialogService::question(QWidget*, const QString&, const QString&) { return false; }
QString DialogService::input(QWidget*, const QString&, const QString&, const QString&) { return QString(); }
QString DialogService::chooseFile(QWidget*, const QString&) { return QString(); }
std::optional<QColor> DialogService::chooseColour(QWidget*, const QColor&) { return std::nullopt; }
int DialogService::exec(QDialog&) { return QDialog::Rejected; }
void DialogService::openUrl(const QUrl&) {}

namespace {

QString titleOrProgram(const QString& title) {
    return title.isEmpty() ? QStringLiteral("KUB-Monitor") : title;
}

class RealDialogs final : public DialogService {
public:
    void message(QWidget* parent, const QString& text, const QString& title,
                 DialogIcon icon) override {
        QMessageBox box(parent);
        box.setWindowTitle(titleOrProgram(title));
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

    bool question(QWidget* parent, const QString& text, const QString& title) override {
        QMessageBox box(parent);
        box.setWindowTitle(titleOrProgram(title));
        box.setText(text);
        box.setIcon(QMessageBox::Question);
        QPushButton* yes = box.addButton(QStringLiteral("Ja"), QMessageBox::YesRole);
        QPushButton* no = box.addButton(QStringLiteral("Nein"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes;
    }

    QString input(QWidget* parent, const QString& prompt, const QString& title,
                  const QString& preset) override {
        QInputDialog box(parent);
        box.setWindowTitle(titleOrProgram(title));
        box.setLabelText(prompt);
        box.setTextValue(preset);
        box.setOkButtonText(QStringLiteral("OK"));
        box.setCancelButtonText(QStringLiteral("Abbrechen"));
        if (box.exec() != QDialog::Accepted) return QString();
        return box.textValue();
    }

    QString chooseFile(QWidget* parent, const QString& title) override {
        QString start = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
        if (start.isEmpty() || !QDir(start).exists()) start = QDir::homePath();
        return QFileDialog::getOpenFileName(parent, title, start, QString(), nullptr,
                                            QFileDialog::DontResolveSymlinks);
    }

    std::optional<QColor> chooseColour(QWidget* parent, const QColor& initial) override {
        QColorDialog box(initial, parent);
        // The full form: the custom colours are part of it, the first one pre-set too.
        QColorDialog::setCustomColor(0, initial);
        box.setOption(QColorDialog::DontUseNativeDialog, false);
        if (box.exec() != QDialog::Accepted) return std::nullopt;
        return box.selectedColor();
    }

    int exec(QDialog& dialog) override { return dialog.exec(); }

    void openUrl(const QUrl& url) override { QDesktopServices::openUrl(url); }
};

RealDialogs real;
DialogService* current = &real;

}  // namespace

DialogService& dialogs() { return *current; }

void warnNotWritten(QWidget* parent, const QString& fileName) {
    dialogs().message(parent, QStringLiteral("Die Datei \"%1\" konnte nicht geschrieben werden !").arg(fileName),
                      QStringLiteral("Achtung:"), DialogIcon::Warning);
}

void setDialogService(DialogService* service) { current = service ? service : &real; }

}  // namespace kub::ui
