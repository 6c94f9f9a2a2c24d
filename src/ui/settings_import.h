#pragma once
// "Fzge importieren": vehicles from an I-R-F-BOS file ("I-R-F-BOS-Datei laden",
// `Command15`), appended or written from slot 0 on (`Check1` "anhängen statt ersetzen"),
// and the link to where such files are found.

#include <QLabel>
#include <functional>
#include <string>

#include "storage/vehicle_table.h"
#include "ui/settings_section.h"

class QCheckBox;
class QPushButton;

namespace kub::ui {

// The address behind the link label "hier gibt es BOS-Dateien:".
extern const char* const kBosFilesAddress;

// "BOS-Datei selektieren!": the chosen path when it names a ".BOS" file (any letter
// case), "" otherwise or on cancel.
std::string chooseBosFile(QWidget* parent);

struct VehicleImportContext {
    VehicleTable& table;
    std::string programFolder;
    // The board is drawn again after the import.
    std::function<void()> redraw;
    std::function<void(const QString& fileName)> notWritten;
};

class LinkLabel : public QLabel {
    Q_OBJECT
public:
    LinkLabel(const QString& address, QWidget* parent);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString address_;
};

class VehicleImportSection : public SettingsSection {
    Q_OBJECT
public:
    VehicleImportSection(VehicleImportContext context, QWidget* parent);
    void applySettings(const Settings& s) override;
    void takeSettings(Settings& s) const override;

    void importVehicles();

    QCheckBox* appendBox() const { return Check1; }
    QPushButton* loadButton() const { return Command15; }
    LinkLabel* link() const { return link_; }

private:
    VehicleImportContext ctx_;
    QCheckBox* Check1;
    QPushButton* Command15;
    LinkLabel* link_;
};

}  // namespace kub::ui
