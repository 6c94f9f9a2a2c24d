#include "ui/settings_tab.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/board_model.h"
#include "ui/colours.h"
#include "ui/settings_capture_start.h"
#include "ui/settings_quality.h"
#include "ui/settings_section.h"

namespace kub::ui {

const std::array<const char*, kSectionCount> kSectionNames = {
    "Soundkarte",
    "Meldeempfänger (ZVEI/POCSAG)",
    "Fzge importieren",
    "Aktionen",
    "Status für alle setzen",
    "Fahrzeugansicht",
    "FMS-Statusfarben",
    "HTML-Export",
    "eigene Anwendung per Winsock",
    "eigene Anwendung per Win-Messages",
    "Web-Ansicht",
    "MQTT",
    "Alarmierung",
    "Verlauf"};

void setButtonColour(QPushButton* button, std::int32_t colourValue) {
    QPalette p = button->palette();
    const QPalette base = button->parentWidget() ? button->parentWidget()->palette() : QPalette();
    p.setColor(QPalette::Button, colourFromValue(colourValue, base));
    p.setColor(QPalette::ButtonText, textColourOn(p.color(QPalette::Button)));
    button->setPalette(p);
}

void DeviceBox::showPopup() {
    emit popupShown();
    QComboBox::showPopup();
}

SettingsTab::SettingsTab(Twips twips, QWidget* parent) : QWidget(parent), twips_(twips) {
    List4 = new QListWidget(this);
    List4->setObjectName(QStringLiteral("List4"));
    for (const char* name : kSectionNames) List4->addItem(QString::fromUtf8(name));
    Label33 = new QLabel(this);
    Label33->setObjectName(QStringLiteral("Label33"));
    QFont titleFont = Label33->font();
    titleFont.setBold(true);
    titleFont.setPointSize(titleFont.pointSize() + 2);
    Label33->setFont(titleFont);
    for (int i = 0; i < kSectionCount; ++i) {
        auto* f = new QFrame(this);
        f->setObjectName(QStringLiteral("Frame1_%1").arg(i));
        f->setFrameShape(QFrame::StyledPanel);
        f->hide();
        Frame1[static_cast<std::size_t>(i)] = f;
    }
    Command1 = new QPushButton(QStringLiteral("speichern"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    setButtonColour(Command1, kNormalButton);
    connect(Command1, &QPushButton::clicked, this, &SettingsTab::saveRequested);
    connect(List4, &QListWidget::currentRowChanged, this, &SettingsTab::selectSection);

    buildSoundCard(Frame1[0]);
    buildStatusForAll(Frame1[4]);
    buildLayout(Frame1[5]);
    List4->setCurrentRow(0);
    selectSection(0);
    placeFrames();
}

void SettingsTab::buildSoundCard(QFrame* f) {
    auto* grid = new QGridLayout(f);
    grid->addWidget(new QLabel(QStringLiteral("links   rechts"), f), 0, 1, 1, 2);
    // Rows Zvei, POCSAG, FMS; left column items 3..5, right column items 0..2.
    static const std::array<const char*, 3> captions = {"Zvei", "POCSAG", "FMS"};
    for (int r = 0; r < 3; ++r) {
        grid->addWidget(new QLabel(QString::fromLatin1(captions[static_cast<std::size_t>(r)]), f), r + 1, 0);
        for (int side = 0; side < 2; ++side) {
            const int item = side == 0 ? r + 3 : r;
            auto* c = new QCheckBox(f);
            c->setObjectName(QStringLiteral("Check5_%1").arg(item));
            connect(c, &QCheckBox::clicked, this, &SettingsTab::markUnsaved);
            Check5[static_cast<std::size_t>(item)] = c;
            grid->addWidget(c, r + 1, 1 + side);
        }
    }
    InitDevices = new DeviceBox(f);
    InitDevices->setObjectName(QStringLiteral("InitDevices"));
    InitDevices->setMinimumWidth(twips_.px(4000));
    connect(InitDevices, &DeviceBox::popupShown, this, &SettingsTab::markUnsaved);
    grid->addWidget(new QLabel(QStringLiteral("Soundkarte:"), f), 4, 0);
    grid->addWidget(InitDevices, 4, 1, 1, 3);
    Command5 = new QPushButton(QStringLiteral("Start"), f);
    Command5->setObjectName(QStringLiteral("Command5"));
    Command2 = new QPushButton(QStringLiteral("stop"), f);
    Command2->setObjectName(QStringLiteral("Command2"));
    grid->addWidget(Command5, 5, 1);
    grid->addWidget(Command2, 5, 2);
    auto* note = new QLabel(
        QStringLiteral("Der rechte und der linke Kanal der Soundkarte dekodieren unabhängig voneinander."), f);
    note->setWordWrap(true);
    grid->addWidget(note, 6, 0, 1, 4);
    quality_ = new DecoderQualitySection(f);
    grid->addWidget(quality_, 7, 0, 1, 4);
    sections_.push_back(quality_);
    connect(quality_, &SettingsSection::edited, this, &SettingsTab::markUnsaved);
    captureAtStart_ = new CaptureAtStartSection(f);
    grid->addWidget(captureAtStart_, 8, 0, 1, 4);
    sections_.push_back(captureAtStart_);
    connect(captureAtStart_, &SettingsSection::edited, this, &SettingsTab::markUnsaved);
    grid->setRowStretch(9, 1);
    grid->setColumnStretch(3, 1);
}

void SettingsTab::buildStatusForAll(QFrame* f) {
    auto* grid = new QGridLayout(f);
    for (int i = 0; i < 9; ++i) {
        auto* b = new QPushButton(QString::number(i + 1), f);
        b->setObjectName(QStringLiteral("Command4_%1").arg(i));
        b->setFixedWidth(twips_.px(600));
        connect(b, &QPushButton::clicked, this, [this, i] { emit statusForAll(i + 1); });
        Command4[static_cast<std::size_t>(i)] = b;
        grid->addWidget(b, 0, i);
    }
    grid->setColumnStretch(9, 1);
    grid->setRowStretch(1, 1);
}

void SettingsTab::buildLayout(QFrame* f) {
    auto* grid = new QGridLayout(f);
    grid->addWidget(new QLabel(QStringLiteral("Anzahl Fahrzeuge"), f), 0, 0);
    auto* group = new QButtonGroup(this);
    for (int i = 1; i <= 4; ++i) {
        auto* o = new QRadioButton(QString::fromLatin1(kLayoutCaptions[static_cast<std::size_t>(i)]), f);
        o->setObjectName(QStringLiteral("Option2_%1").arg(i));
        connect(o, &QRadioButton::clicked, this, &SettingsTab::markUnsaved);
        group->addButton(o, i);
        Option2[static_cast<std::size_t>(i)] = o;
        grid->addWidget(o, i, 0);
    }
    grid->addWidget(new QLabel(QStringLiteral("(Spalten x Zeilen x 30)"), f), 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Summe Fzge"), f), 5, 0);
    summeFzge_ = new QLabel(f);
    summeFzge_->setObjectName(QStringLiteral("SummeFzge"));
    grid->addWidget(summeFzge_, 5, 1);
    grid->setRowStretch(6, 1);
    grid->setColumnStretch(2, 1);
}

void SettingsTab::addSection(int entry, SettingsSection* section) {
    if (entry < 0 || entry >= kSectionCount) return;
    QFrame* f = Frame1[static_cast<std::size_t>(entry)];
    auto* layout = new QVBoxLayout(f);
    section->setParent(f);
    layout->addWidget(section);
    sections_.push_back(section);
    connect(section, &SettingsSection::edited, this, &SettingsTab::markUnsaved);
}

void SettingsTab::applySettings(const Settings& s) {
    for (SettingsSection* section : sections_) section->applySettings(s);
    const std::array<bool, 6> switches = {s.zveiRight, s.pocsagRight, s.fmsRight,
                                          s.zveiLeft,  s.pocsagLeft,  s.fmsLeft};
    for (std::size_t i = 0; i < 6; ++i) Check5[i]->setChecked(switches[i]);
    const int option = layoutOptionFor(s.layout);
    if (option >= 1) Option2[static_cast<std::size_t>(option)]->setChecked(true);
}

void SettingsTab::takeSettings(Settings& s) const {
    for (const SettingsSection* section : sections_) section->takeSettings(s);
    auto on = [this](int i) { return Check5[static_cast<std::size_t>(i)]->isChecked(); };
    s.zveiRight = on(0);
    s.pocsagRight = on(1);
    s.fmsRight = on(2);
    s.zveiLeft = on(3);
    s.pocsagLeft = on(4);
    s.fmsLeft = on(5);
    s.deviceIndex = InitDevices->currentIndex();
    for (int i = 1; i <= 4; ++i)
        if (Option2[static_cast<std::size_t>(i)]->isChecked()) s.layout = static_cast<BoardLayout>(i);
}

void SettingsTab::markUnsaved() {
    unsaved_ = true;
    setButtonColour(Command1, kRed);
}

void SettingsTab::clearUnsaved() {
    unsaved_ = false;
    setButtonColour(Command1, kNormalButton);
}

void SettingsTab::selectSection(int entry) {
    if (entry < 0 || entry >= kSectionCount) return;
    Label33->setText(QString::fromUtf8(kSectionNames[static_cast<std::size_t>(entry)]));
    for (QFrame* f : Frame1) f->hide();
    Frame1[static_cast<std::size_t>(entry)]->show();
}

void SettingsTab::setSlotTotal(int vehicleCount) { summeFzge_->setText(QString::number(vehicleCount)); }

void SettingsTab::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeFrames();
}

void SettingsTab::placeFrames() {
    const int margin = twips_.px(120);
    List4->setGeometry(margin, margin, twips_.px(3600), std::max(twips_.px(3000), height() - 2 * margin));
    Label33->setGeometry(List4->geometry().right() + twips_.px(30), margin, twips_.px(6000), twips_.px(400));
    const int left = List4->x() + List4->width() + twips_.px(30);
    const int top = Label33->y() + Label33->height() + twips_.px(30);
    const int saveHeight = twips_.px(450);
    for (QFrame* f : Frame1)
        f->setGeometry(left, top, std::max(twips_.px(4000), width() - left - margin),
                       std::max(twips_.px(2000), height() - top - 2 * margin - saveHeight));
    Command1->setGeometry(left, height() - margin - saveHeight, twips_.px(1500), saveHeight);
}

}  // namespace kub::ui
