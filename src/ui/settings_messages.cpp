#include "ui/settings_messages.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace kub::ui {

WindowMessageSection::WindowMessageSection(QWidget* parent) : SettingsSection(parent) {
    setObjectName(QStringLiteral("WinMessages"));
    auto* grid = new QGridLayout(this);
    auto* about = new QLabel(
        QStringLiteral("KUB-Monitor übergibt jeden Eingang per interner Nachricht an eine eigene Anwendung. "
                       "Dazu hier den Fenstertitel dieser Anwendung eintragen:"),
        this);
    about->setWordWrap(true);
    grid->addWidget(about, 0, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Fenstertitel:"), this), 1, 0);
    Text5 = new QLineEdit(this);
    Text5->setObjectName(QStringLiteral("Text5"));
    grid->addWidget(Text5, 1, 1);
    Check4 = new QCheckBox(QStringLiteral("aktivieren"), this);
    Check4->setObjectName(QStringLiteral("Check4"));
    grid->addWidget(Check4, 2, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Übertragungsformat wie bei winsock"), this), 3, 0, 1, 2);
    grid->setRowStretch(4, 1);
    grid->setColumnStretch(1, 1);
    connect(Check4, &QCheckBox::clicked, this, &SettingsSection::edited);
    connect(Text5, &QLineEdit::textEdited, this, &SettingsSection::edited);
}

void WindowMessageSection::applySettings(const Settings& s) {
    Check4->setChecked(s.windowMessageExport);
    Text5->setText(QString::fromStdString(s.windowTitle));
}

void WindowMessageSection::takeSettings(Settings& s) const {
    s.windowMessageExport = Check4->isChecked();
    s.windowTitle = Text5->text().toStdString();
}

}  // namespace kub::ui
