#include "ui/dial_up_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>

#include "ui/dialog_service.h"

namespace kub::ui {

DialUpDialog::DialUpDialog(const std::vector<std::string>& phoneBook, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form10"));
    setWindowTitle(QStringLiteral("Upload zum Web-Server - Einwählen"));
    setModal(true);
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Verbindung wählen:"), this), 0, 0, 1, 2);
    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    for (const std::string& name : phoneBook) List1->addItem(QString::fromStdString(name));
    grid->addWidget(List1, 1, 0, 1, 2);
    Command1 = new QPushButton(QStringLiteral("verbinden"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command2 = new QPushButton(this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    Command2->setToolTip(QStringLiteral("schließen, ohne zu wählen"));
    grid->addWidget(Command1, 2, 0);
    grid->addWidget(Command2, 2, 1, Qt::AlignRight);
    if (List1->count() > 0) {
        List1->setCurrentRow(0);
    } else {
        Command1->setEnabled(false);
    }
    connect(Command1, &QPushButton::clicked, this, [this] {
        chosen_ = List1->currentRow();
        accept();
    });
    connect(Command2, &QPushButton::clicked, this, &QDialog::reject);
}

int chooseDialUpEntry(const std::vector<std::string>& phoneBook, QWidget* parent) {
    DialUpDialog dialog(phoneBook, parent);
    dialogs().exec(dialog);
    return dialog.chosenEntry();
}

}  // namespace kub::ui
