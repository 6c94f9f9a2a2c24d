#include "ui/dialog_service.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>
#include <map>

namespace kub::ui {

void DialogService::notify(QWidget* parent, const QString& text, const QString& title, DialogIcon icon) {
    message(parent, text, title, icon);
}
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

QMessageBox::Icon boxIcon(DialogIcon icon) {
    switch (icon) {
        case DialogIcon::Error: return QMessageBox::Critical;
        case DialogIcon::Warning: return QMessageBox::Warning;
        case DialogIcon::Information: return QMessageBox::Information;
        case DialogIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

class RealDialogs final : public DialogService {
public:
    void message(QWidget* parent, const QString& text, const QString& title,
                 DialogIcon icon) override {
        QMessageBox box(parent);
        box.setWindowTitle(titleOrProgram(title));
        box.setText(text);
        box.setIcon(boxIcon(icon));
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
    }

    void notify(QWidget* parent, const QString& text, const QString& title, DialogIcon icon) override {
        // The titles are fixed texts, so the boxes are few; a fault that repeats every
        // minute updates its box instead of stacking a new one.
        QPointer<QMessageBox>& box = open_[titleOrProgram(title)];
        if (!box) {
            box = new QMessageBox(parent);
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->setWindowModality(Qt::NonModal);
            box->setWindowTitle(titleOrProgram(title));
            box->setStandardButtons(QMessageBox::Ok);
        }
        box->setText(text);
        box->setIcon(boxIcon(icon));
        box->show();
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

private:
    std::map<QString, QPointer<QMessageBox>> open_;
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
