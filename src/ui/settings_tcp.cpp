#include "ui/settings_tcp.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "storage/text_file.h"
#include "ui/colours.h"

namespace kub::ui {

TcpExportSection::TcpExportSection(QWidget* parent) : SettingsSection(parent) {
    setObjectName(QStringLiteral("Winsock"));
    auto* grid = new QGridLayout(this);
    Check3 = new QCheckBox(
        QStringLiteral("FMS- und ZVEI-Eingänge über einen Winsock-Port an eine eigene Anwendung weiterleiten"), this);
    Check3->setObjectName(QStringLiteral("Check3"));
    grid->addWidget(Check3, 0, 0, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("Server:"), this), 1, 0);
    Text3 = new QLineEdit(this);
    Text3->setObjectName(QStringLiteral("Text3"));
    grid->addWidget(Text3, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("default=localhost"), this), 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Port:"), this), 2, 0);
    Text4 = new QLineEdit(this);
    Text4->setObjectName(QStringLiteral("Text4"));
    Text4->setMaximumWidth(120);
    grid->addWidget(Text4, 2, 1);

    auto* lampRow = new QHBoxLayout;
    lampRow->addWidget(new QLabel(QStringLiteral("Winsock"), this));
    Shape4 = new QLabel(this);
    Shape4->setObjectName(QStringLiteral("Shape4"));
    Shape4->setFixedSize(18, 18);
    Shape4->setAutoFillBackground(true);
    Shape4->setFrameShape(QFrame::Box);
    lampRow->addWidget(Shape4);
    Label23 = new QLabel(this);
    Label23->setObjectName(QStringLiteral("Label23"));
    lampRow->addWidget(Label23);
    lampRow->addStretch(1);
    grid->addLayout(lampRow, 3, 0, 1, 4);

    auto* warning = new QLabel(QStringLiteral("Achtung: Bei einer Firewall den Port freigeben!"), this);
    QPalette red = warning->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    warning->setPalette(red);
    grid->addWidget(warning, 4, 0, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("Übertragungformat:"), this), 5, 0, 1, 4);
    QFont fixed(QStringLiteral("Monospace"));
    fixed.setStyleHint(QFont::TypeWriter);
    static const std::array<const char*, 3> samples = {"##FMS#Kennung#Status#Tki#Rtg#+", "##ZVEI#Nr#Name#+    ",
                                                       "##POC#Nr#Text#+    "};
    for (std::size_t i = 0; i < samples.size(); ++i) {
        auto* l = new QLabel(QString::fromLatin1(samples[i]), this);
        l->setFont(fixed);
        grid->addWidget(l, 6 + static_cast<int>(i), 0, 1, 4);
    }
    grid->setRowStretch(9, 1);
    grid->setColumnStretch(3, 1);

    connect(Check3, &QCheckBox::clicked, this, &SettingsSection::edited);
    connect(Text3, &QLineEdit::textEdited, this, &SettingsSection::edited);
    connect(Text4, &QLineEdit::textEdited, this, &SettingsSection::edited);
    connect(Text4, &QLineEdit::textChanged, this, [this](const QString& text) {
        const QString limited = QString::fromStdString(limitPortText(text.toStdString()));
        if (limited != text) Text4->setText(limited);
    });
    // Grey until the watchdog has looked: with the export off it never does.
    showTick(WatchdogTick{true, static_cast<std::uint32_t>(kLightGreyValue), ""});
}

void TcpExportSection::applySettings(const Settings& s) {
    Check3->setChecked(s.tcpExport);
    Text3->setText(QString::fromStdString(s.tcpServer));
    Text4->setText(QString::number(s.tcpPort));
}

void TcpExportSection::takeSettings(Settings& s) const {
    s.tcpExport = Check3->isChecked();
    s.tcpServer = Text3->text().toStdString();
    // The numeric value of the box; a text that is no number is 0.
    s.tcpPort = itemToShort(Text4->text().toStdString());
}

void TcpExportSection::showTick(const WatchdogTick& tick) {
    QPalette p = Shape4->palette();
    p.setColor(QPalette::Window, colourFromValue(tick.lampColour, p));
    Shape4->setPalette(p);
    Label23->setText(QString::fromStdString(tick.stateText));
}

}  // namespace kub::ui
