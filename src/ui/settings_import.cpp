#include "ui/settings_import.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>

#include "import/bos_file.h"
#include "import/bos_import.h"
#include "ui/dialog_service.h"

namespace kub::ui {

// Where the operator finds I-R-F-BOS files: a web search, which stays useful when a
// single download site moves.
const char* const kBosFilesAddress = "https://duckduckgo.com/?q=I-R-F-BOS-Datei";

std::string chooseBosFile(QWidget* parent) {
    const std::string path = dialogs().chooseFile(parent, QStringLiteral("BOS-Datei selektieren!")).toStdString();
    return isBosFilePath(path) ? path : std::string();
}

LinkLabel::LinkLabel(const QString& address, QWidget* parent) : QLabel(parent), address_(address) {
    setObjectName(QStringLiteral("LinkLabel"));
    setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(address_.toHtmlEscaped()));
    setTextInteractionFlags(Qt::NoTextInteraction);
    setCursor(Qt::PointingHandCursor);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) dialogs().openUrl(QUrl(address_));
    QLabel::mouseReleaseEvent(event);
}

VehicleImportSection::VehicleImportSection(VehicleImportContext context, QWidget* parent)
    : SettingsSection(parent), ctx_(std::move(context)) {
    setObjectName(QStringLiteral("FzgImport"));
    auto* grid = new QGridLayout(this);
    auto* frame = new QGroupBox(QStringLiteral("Fahrzeuge importieren aus BOS-Datei"), this);
    auto* inner = new QVBoxLayout(frame);
    Command15 = new QPushButton(QStringLiteral("I-R-F-BOS-Datei laden"), frame);
    Command15->setObjectName(QStringLiteral("Command15"));
    Check1 = new QCheckBox(QStringLiteral("anhängen statt ersetzen"), frame);
    Check1->setObjectName(QStringLiteral("Check1"));
    inner->addWidget(Command15);
    inner->addWidget(Check1);
    grid->addWidget(frame, 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("hier gibt es BOS-Dateien:"), this), 1, 0);
    link_ = new LinkLabel(QString::fromLatin1(kBosFilesAddress), this);
    grid->addWidget(link_, 2, 0);
    grid->setRowStretch(3, 1);
    grid->setColumnStretch(1, 1);
    connect(Command15, &QPushButton::clicked, this, &VehicleImportSection::importVehicles);
    // Saved with the other settings, so a change is shown as unsaved like theirs.
    connect(Check1, &QCheckBox::clicked, this, &SettingsSection::edited);
}

void VehicleImportSection::applySettings(const Settings& s) { Check1->setChecked(s.bosImportAppend); }

void VehicleImportSection::takeSettings(Settings& s) const { s.bosImportAppend = Check1->isChecked(); }

void VehicleImportSection::importVehicles() {
    const std::string path = chooseBosFile(this);
    std::vector<int> imported;
    if (!path.empty())
        importBosFile(path, BosImportMode::Vehicles, BosImportTargets{&ctx_.table, nullptr, Check1->isChecked(), &imported});
    for (const std::string& file : saveImportedVehicles(ctx_.programFolder, ctx_.table, imported))
        if (ctx_.notWritten) ctx_.notWritten(QString::fromStdString(file));
    if (ctx_.redraw) ctx_.redraw();
}

}  // namespace kub::ui
