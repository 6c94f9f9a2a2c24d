#include "ui/settings_receivers.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QPushButton>

#include "import/bos_import.h"
#include "ui/colours.h"
#include "ui/dialog_service.h"
#include "ui/settings_import.h"
#include "ui/twips.h"
#include "ui/vehicle_dialog.h"

namespace kub::ui {

std::int32_t chooseColour(QWidget* parent, std::int32_t initial) {
    const std::optional<QColor> c =
        dialogs().chooseColour(parent, colourFromValue(initial, parent ? parent->palette() : QPalette()));
    return c && c->isValid() ? valueFromColour(*c) : initial;
}

ReceiversSection::ReceiversSection(ReceiverEditContext context, QWidget* parent)
    : SettingsSection(parent), ctx_(std::move(context)) {
    setObjectName(QStringLiteral("Meldeempfaenger"));
    auto* layout = new QGridLayout(this);
    Grid_melder = new QTableWidget(0, 3, this);
    Grid_melder->setObjectName(QStringLiteral("Grid_melder"));
    Grid_melder->setHorizontalHeaderLabels({QStringLiteral("Nr"), QStringLiteral("Name"), QString()});
    Grid_melder->setColumnHidden(2, true);
    const Twips twips(logicalDpiX());
    Grid_melder->setColumnWidth(0, twips.px(1000));
    Grid_melder->setColumnWidth(1, twips.px(3350));
    Grid_melder->horizontalHeader()->setStretchLastSection(false);
    Grid_melder->verticalHeader()->hide();
    Grid_melder->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid_melder->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid_melder->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid_melder->setMinimumWidth(twips.px(4800));
    layout->addWidget(Grid_melder, 0, 0, 5, 1);

    Command14 = new QPushButton(QStringLiteral("neu"), this);
    Command14->setObjectName(QStringLiteral("Command14"));
    Command12 = new QPushButton(QStringLiteral("ändern"), this);
    Command12->setObjectName(QStringLiteral("Command12"));
    Command16 = new QPushButton(QStringLiteral("löschen"), this);
    Command16->setObjectName(QStringLiteral("Command16"));
    Command11 = new QPushButton(QStringLiteral("Import aus I-R-F-BOS-Datei"), this);
    Command11->setObjectName(QStringLiteral("Command11"));
    layout->addWidget(Command14, 0, 1);
    layout->addWidget(Command12, 1, 1);
    layout->addWidget(Command16, 2, 1);
    layout->addWidget(Command11, 3, 1);
    layout->setRowStretch(4, 1);
    layout->setColumnStretch(2, 1);
    connect(Command14, &QPushButton::clicked, this, &ReceiversSection::addReceiver);
    connect(Command12, &QPushButton::clicked, this, &ReceiversSection::changeReceiver);
    connect(Command16, &QPushButton::clicked, this, &ReceiversSection::removeReceiver);
    connect(Command11, &QPushButton::clicked, this, &ReceiversSection::importReceivers);
}

void ReceiversSection::showReceivers() {
    const int keep = Grid_melder->currentRow();
    const auto& list = ctx_.receivers.receiverList;
    Grid_melder->setRowCount(static_cast<int>(list.size()));
    for (int r = 0; r < static_cast<int>(list.size()); ++r) {
        const ReceiverRecord& rec = list[static_cast<std::size_t>(r)];
        auto* number = new QTableWidgetItem(QString::fromStdString(rec.nummer));
        // A receiver without a colour of its own shows in light grey, as its receptions do.
        const QColor back = colourFromValue(rec.farbe == 0 ? kLightGreyValue : rec.farbe, palette());
        number->setBackground(back);
        number->setForeground(textColourOn(back));
        Grid_melder->setItem(r, 0, number);
        Grid_melder->setItem(r, 1, new QTableWidgetItem(QString::fromStdString(rec.name)));
        Grid_melder->setItem(r, 2, new QTableWidgetItem(QString::number(rec.farbe)));
    }
    if (keep >= 0 && keep < Grid_melder->rowCount()) Grid_melder->selectRow(keep);
}

int ReceiversSection::selectedRow() const {
    const int r = Grid_melder->currentRow();
    return r >= 0 && r < static_cast<int>(ctx_.receivers.receiverList.size()) ? r : -1;
}

void ReceiversSection::saveReceivers() {
    showReceivers();
    if (!saveReceiverList(ctx_.programFolder, ctx_.receivers.receiverList) && ctx_.notWritten)
        ctx_.notWritten(QStringLiteral("ZVEI.txt"));
}

void ReceiversSection::addReceiver() {
    const QString number =
        dialogs().input(this, QStringLiteral("5-stellige ZVEI-Nummer oder 7-stellige RIC:"), QString(), QString());
    const int length = textLength(number);
    if (length == 5 || length == 7) {
        const QString name = dialogs().input(this, QStringLiteral("Name des Trägers:"), QString(), QString());
        if (!name.isEmpty()) {
            const std::int32_t colour = chooseColour(this, kLightGreyValue);
            ctx_.receivers.receiverList.push_back({number.toStdString(), name.toStdString(), colour});
        }
    }
    saveReceivers();
}

void ReceiversSection::changeReceiver() {
    const int row = selectedRow();
    if (row >= 0) {
        ReceiverRecord& rec = ctx_.receivers.receiverList[static_cast<std::size_t>(row)];
        const QString number = dialogs().input(this, QStringLiteral("5- bzw 7-stellige Numer:"),
                                               QStringLiteral("Ändern"), QString::fromStdString(rec.nummer));
        const int length = textLength(number);
        if (length == 5 || length == 7) {
            const QString name = dialogs().input(this, QStringLiteral("Name des Trägers:"), QStringLiteral("Ändern"),
                                                 QString::fromStdString(rec.name));
            if (!name.isEmpty()) {
                const std::int32_t colour = chooseColour(this, rec.farbe == 0 ? kLightGreyValue : rec.farbe);
                rec = {number.toStdString(), name.toStdString(), colour};
            }
        }
    }
    saveReceivers();
}

void ReceiversSection::removeReceiver() {
    const int row = selectedRow();
    if (row >= 0) {
        auto& list = ctx_.receivers.receiverList;
        const QString text = QStringLiteral("Eintrag <%1> löschen ?")
                                 .arg(QString::fromStdString(list[static_cast<std::size_t>(row)].nummer));
        if (dialogs().question(this, text, QString())) list.erase(list.begin() + row);
    }
    saveReceivers();
}

void ReceiversSection::importReceivers() {
    const std::string path = chooseBosFile(this);
    if (!path.empty()) importBosFile(path, BosImportMode::Receivers, BosImportTargets{nullptr, &ctx_.receivers, false});
    saveReceivers();
}

}  // namespace kub::ui
