#include "ui/vehicle_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "common/time_text.h"
#include "ui/dialog_service.h"
#include "ui/settings_tab.h"

namespace kub::ui {

namespace {

// A TAB or line break typed or pasted into a box would shift the fields of "Fzg.txt".
std::string fieldText(const QLineEdit* box) {
    QString t = box->text();
    t.replace(QLatin1Char('\t'), QLatin1Char(' '));
    t.replace(QLatin1Char('\r'), QLatin1Char(' '));
    t.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return t.toStdString();
}

}  // namespace

int textLength(const QString& text) { return static_cast<int>(text.toUcs4().size()); }

VehicleDialog::VehicleDialog(VehicleDialogContext context, int slot, QWidget* parent)
    : QDialog(parent), ctx_(std::move(context)), slot_(slot) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Eigenschaften"));
    setModal(true);
    auto* grid = new QGridLayout(this);

    static const std::array<const char*, 3> labels = {"Rufname:", "Zusatzinfo:", "FMS-Kennung:"};
    for (std::size_t i = 0; i < 3; ++i) {
        grid->addWidget(new QLabel(QString::fromUtf8(labels[i]), this), static_cast<int>(i), 0);
        Text1[i] = new QLineEdit(this);
        Text1[i]->setObjectName(QStringLiteral("Text1_%1").arg(i));
        grid->addWidget(Text1[i], static_cast<int>(i), 1, 1, 3);
    }
    Label2 = new QLabel(
        QStringLiteral("Wenn FMS-Kennung leer bleibt, dann wird der Rufname zu einer Überschrift"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setWordWrap(true);
    grid->addWidget(Label2, 3, 0, 1, 4);

    auto* statusFrame = new QGroupBox(QStringLiteral("Status manuell setzen"), this);
    auto* statusRow = new QHBoxLayout(statusFrame);
    for (int k = 0; k < 9; ++k) {
        auto* b = new QPushButton(QString::number(k + 1), statusFrame);
        b->setObjectName(QStringLiteral("Command3_%1").arg(k));
        b->setFixedWidth(32);
        // Each button in the colour its status gets on the board.
        setButtonColour(b, ctx_.settings.statusColours[static_cast<std::size_t>(k)]);
        connect(b, &QPushButton::clicked, this, [this, k] { setStatus(k + 1); });
        Command3[static_cast<std::size_t>(k)] = b;
        statusRow->addWidget(b);
    }
    grid->addWidget(statusFrame, 4, 0, 1, 4);

    auto* tkiRow = new QHBoxLayout;
    tkiRow->addWidget(new QLabel(QStringLiteral("TKI"), this));
    static const std::array<const char*, 4> tkiCaptions = {"I", "II", "III", "IV"};
    for (int k = 0; k < 4; ++k) {
        auto* b = new QPushButton(QString::fromLatin1(tkiCaptions[static_cast<std::size_t>(k)]), this);
        b->setObjectName(QStringLiteral("Command4_%1").arg(k));
        b->setFixedWidth(40);
        connect(b, &QPushButton::clicked, this, [this, k] { setTki(k); });
        Command4[static_cast<std::size_t>(k)] = b;
        tkiRow->addWidget(b);
    }
    tkiRow->addStretch(1);
    grid->addLayout(tkiRow, 5, 0, 1, 4);

    grid->addWidget(new QLabel(QStringLiteral("Melder (5-Tonfolge/RIC) auf dem Fahrzeug:"), this), 6, 0, 1, 4);
    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setMaximumHeight(110);
    grid->addWidget(List1, 7, 0, 2, 3);
    Command5 = new QPushButton(QStringLiteral("neu"), this);
    Command5->setObjectName(QStringLiteral("Command5"));
    Command6 = new QPushButton(QStringLiteral("löschen"), this);
    Command6->setObjectName(QStringLiteral("Command6"));
    grid->addWidget(Command5, 7, 3);
    grid->addWidget(Command6, 8, 3);
    connect(Command5, &QPushButton::clicked, this, &VehicleDialog::addCode);
    connect(Command6, &QPushButton::clicked, this, &VehicleDialog::removeCode);

    Command1 = new QPushButton(QStringLiteral("speichern"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command2 = new QPushButton(QStringLiteral("zurück"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(Command1);
    bottom->addWidget(Command2);
    grid->addLayout(bottom, 9, 0, 1, 4);
    connect(Command1, &QPushButton::clicked, this, &VehicleDialog::save);
    connect(Command2, &QPushButton::clicked, this, &QDialog::reject);

    const VehicleRecord& rec = record();
    Text1[0]->setText(QString::fromStdString(rec.rufname));
    Text1[1]->setText(QString::fromStdString(rec.eigenschaft));
    Text1[2]->setText(QString::fromStdString(rec.kennung));
    openedEmpty_ = Text1[0]->text().isEmpty();
    const QString kennung = Text1[2]->text();
    if (!ctx_.receivers.assignmentList.empty() && textLength(kennung) == 8) {
        const std::string k = kennung.toStdString();
        for (const AssignmentRecord& a : ctx_.receivers.assignmentList)
            if (sameCode(a.kennung, k)) List1->addItem(QString::fromStdString(a.code));
    }
}

VehicleRecord& VehicleDialog::record() { return ctx_.table.vehicleTable[static_cast<std::size_t>(slot_)]; }

void VehicleDialog::writeStatus(const std::string& timeText) {
    if (!writeStatusFile(ctx_.programFolder, ctx_.table, slot_, timeText) && ctx_.notWritten)
        ctx_.notWritten(QStringLiteral("Status/%1.txt").arg(slot_));
}

void VehicleDialog::save() {
    VehicleRecord& rec = record();
    rec.rufname = fieldText(Text1[0]);
    rec.eigenschaft = fieldText(Text1[1]);
    rec.kennung = fieldText(Text1[2]);
    if (openedEmpty_) {
        rec.status = 6;
        rec.statusTime = statusTimeText(ctx_.clock.now());
        writeStatus(rec.statusTime);
    }
    if (!rec.rufname.empty() && slot_ > ctx_.table.lastNamedSlot)
        ctx_.table.lastNamedSlot = static_cast<std::int16_t>(slot_);
    if (!saveVehicleTable(ctx_.programFolder, ctx_.table) && ctx_.notWritten)
        ctx_.notWritten(QStringLiteral("Fzg.txt"));
    accept();
}

void VehicleDialog::setStatus(int status) {
    VehicleRecord& rec = record();
    rec.status = static_cast<std::int16_t>(status);
    rec.statusTime = statusTimeText(ctx_.clock.now());
    writeStatus(rec.statusTime);
    accept();
}

void VehicleDialog::setTki(int tki) {
    VehicleRecord& rec = record();
    rec.tki = static_cast<std::int16_t>(tki);
    rec.statusTime = statusTimeText(ctx_.clock.now());
    writeStatus(rec.statusTime);
}

void VehicleDialog::addCode() {
    const QString kennung = Text1[2]->text();
    const QString rufname = Text1[0]->text();
    if (textLength(kennung) != 8 || rufname.isEmpty()) {
        dialogs().message(this, QStringLiteral("Erst einen Rufnamen und eine FMS-Kenung eingeben!"), QString(),
                          DialogIcon::None);
        return;
    }
    const QString code = dialogs().input(this, QStringLiteral("5-Tonfolge/RIC eingeben:"), QString(), QString());
    const int length = textLength(code);
    if (length != 5 && length != 7) {
        dialogs().message(this, QStringLiteral("falsche Länge: %1 Zeichen").arg(length), QString(),
                          DialogIcon::None);
        return;
    }
    if (!addAssignment(ctx_.programFolder, ctx_.receivers.assignmentList, fieldText(Text1[2]), code.toStdString(),
                       fieldText(Text1[0])) &&
        ctx_.notWritten)
        ctx_.notWritten(QStringLiteral("ZVEI_FMS_Zuord.txt"));
    List1->addItem(code);
}

void VehicleDialog::removeCode() {
    const QString kennung = Text1[2]->text();
    QListWidgetItem* item = List1->currentItem();
    if (textLength(kennung) != 8 || !item || !item->isSelected()) return;
    if (!dialogs().question(this, QStringLiteral("Eintrag entfernen "), QString())) return;
    if (!removeAssignment(ctx_.programFolder, ctx_.receivers.assignmentList, kennung.toStdString(),
                          item->text().toStdString()) &&
        ctx_.notWritten)
        ctx_.notWritten(QStringLiteral("ZVEI_FMS_Zuord.txt"));
    delete List1->takeItem(List1->row(item));
}

}  // namespace kub::ui
