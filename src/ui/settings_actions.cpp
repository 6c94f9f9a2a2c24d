#include "ui/settings_actions.h"

#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/dialog_service.h"

namespace kub::ui {

ActionsSection::ActionsSection(QWidget* parent) : SettingsSection(parent) {
    setObjectName(QStringLiteral("Aktionen"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Programm:"), this), 0, 0);
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    grid->addWidget(Text1, 0, 1);
    Command3 = new QPushButton(QStringLiteral("suche"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    grid->addWidget(Command3, 0, 2);
    connect(Text1, &QLineEdit::textEdited, this, &SettingsSection::edited);
    connect(Command3, &QPushButton::clicked, this, &ActionsSection::chooseProgram);

    static const std::array<const char*, 4> lines = {
        "Die Aktion wird bei einem Eingang wie folgt ausgeführt:",
        "bei FMS)     Programmname \"FMS\" \"12345678\"",
        "bei 5-Ton)   Programmname \"ZVEI\" \"12345\"",
        "bei POC)     Programmname \"POC\" \"1234567\" \"Funktion\" Text"};
    QFont fixed(QStringLiteral("Monospace"));
    fixed.setStyleHint(QFont::TypeWriter);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        auto* l = new QLabel(QString::fromUtf8(lines[i]), this);
        if (i > 0) l->setFont(fixed);
        grid->addWidget(l, static_cast<int>(i) + 1, 0, 1, 3);
    }
    grid->setRowStretch(static_cast<int>(lines.size()) + 1, 1);
    grid->setColumnStretch(1, 1);
}

void ActionsSection::applySettings(const Settings& s) { Text1->setText(QString::fromStdString(s.actionProgram)); }

void ActionsSection::takeSettings(Settings& s) const { s.actionProgram = Text1->text().toStdString(); }

void ActionsSection::chooseProgram() {
    const QString chosen = dialogs().chooseFile(this, QStringLiteral("Ausführbare Datei auswählen"));
    // Cancelling the chooser must not take the configured program away with the next save.
    if (chosen.trimmed().isEmpty()) return;
    const QString path = QDir::toNativeSeparators(chosen);
    if (path == Text1->text()) return;
    Text1->setText(path);
    emit edited();
}

}  // namespace kub::ui
