#include "ui/settings_html.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace kub::ui {

namespace {
// The list keeps the latest lines; an unattended week of uploads must not grow it forever.
constexpr int kMaxProgressLines = 500;
}  // namespace

HtmlExportSection::HtmlExportSection(QWidget* parent) : SettingsSection(parent) {
    setObjectName(QStringLiteral("HtmlExport"));
    auto* grid = new QGridLayout(this);

    Check2 = new QCheckBox(QStringLiteral("Html-Seite nach jeder Statusänderung erzeugen und hochladen"), this);
    Check2->setObjectName(QStringLiteral("Check2"));
    grid->addWidget(Check2, 0, 0, 1, 3);

    static const std::array<const char*, 4> labels = {"Hostname:", "Login:", "Passwort:",
                                                      "Ziel- Unterverzeichnis:"};
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const int row = 1 + static_cast<int>(i);
        grid->addWidget(new QLabel(QString::fromUtf8(labels[i]), this), row, 0);
        auto* box = new QLineEdit(this);
        box->setObjectName(QStringLiteral("Text2_%1").arg(i));
        if (i == 2) box->setEchoMode(QLineEdit::Password);
        connect(box, &QLineEdit::textEdited, this, &SettingsSection::edited);
        Text2[i] = box;
        grid->addWidget(box, row, 1);
    }
    grid->addWidget(new QLabel(QStringLiteral("z.B.: kub"), this), 4, 2);

    auto* connection = new QGroupBox(QStringLiteral("Internetverbindung"), this);
    auto* connRow = new QVBoxLayout(connection);
    auto* group = new QButtonGroup(this);
    static const std::array<const char*, 2> kinds = {"ständige Verbindung (LAN/Flatrate)", "Wählverbindung"};
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        auto* o = new QRadioButton(QString::fromUtf8(kinds[i]), connection);
        o->setObjectName(QStringLiteral("Option1_%1").arg(i));
        connect(o, &QRadioButton::clicked, this, &SettingsSection::edited);
        group->addButton(o, static_cast<int>(i));
        Option1[i] = o;
        connRow->addWidget(o);
    }
    Option1[0]->setChecked(true);
    grid->addWidget(connection, 5, 0, 1, 3);

    Command6 = new QPushButton(QStringLiteral("Html-Seite erzeugen"), this);
    Command6->setObjectName(QStringLiteral("Command6"));
    Command7 = new QPushButton(QStringLiteral("hochladen"), this);
    Command7->setObjectName(QStringLiteral("Command7"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Command6);
    buttons->addWidget(Command7);
    buttons->addStretch(1);
    grid->addLayout(buttons, 6, 0, 1, 3);
    connect(Command6, &QPushButton::clicked, this, &HtmlExportSection::writePageRequested);
    connect(Command7, &QPushButton::clicked, this, &HtmlExportSection::uploadRequested);

    List5 = new QListWidget(this);
    List5->setObjectName(QStringLiteral("List5"));
    grid->addWidget(List5, 7, 0, 1, 3);

    auto* tipTitle = new QLabel(QStringLiteral("TIPP"), this);
    QFont bold = tipTitle->font();
    bold.setBold(true);
    tipTitle->setFont(bold);
    grid->addWidget(tipTitle, 8, 0, 1, 3);
    auto* tip = new QLabel(QStringLiteral("Befindet sich auf dem Webserver eine Datei mit dem Namen \"back.jpg\", "
                                          "wird diese als Hintergrund verwendet."),
                           this);
    tip->setWordWrap(true);
    grid->addWidget(tip, 9, 0, 1, 3);
    grid->setRowStretch(7, 1);
    grid->setColumnStretch(1, 1);

    connect(Check2, &QCheckBox::clicked, this, &SettingsSection::edited);
}

void HtmlExportSection::applySettings(const Settings& s) {
    Text2[0]->setText(QString::fromStdString(s.ftpHost));
    Text2[1]->setText(QString::fromStdString(s.ftpLogin));
    Text2[2]->setText(QString::fromStdString(s.ftpPassword));
    Text2[3]->setText(QString::fromStdString(s.ftpFolder));
    Option1[s.dialUp ? 1 : 0]->setChecked(true);
    Check2->setChecked(s.htmlExport);
}

void HtmlExportSection::takeSettings(Settings& s) const {
    s.ftpHost = Text2[0]->text().toStdString();
    s.ftpLogin = Text2[1]->text().toStdString();
    s.ftpPassword = Text2[2]->text().toStdString();
    s.ftpFolder = Text2[3]->text().toStdString();
    s.dialUp = !Option1[0]->isChecked();
    s.htmlExport = Check2->isChecked();
}

void HtmlExportSection::addUploadMessage(const QString& text) {
    List5->addItem(text);
    while (List5->count() > kMaxProgressLines) delete List5->takeItem(0);
    List5->scrollToBottom();
}

}  // namespace kub::ui
