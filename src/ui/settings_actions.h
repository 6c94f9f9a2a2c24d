#pragma once
// "Aktionen": the action program started on every reception (`Text1`) and its chooser
// "suche" (`Command3`).

#include "ui/settings_section.h"

class QLineEdit;
class QPushButton;

namespace kub::ui {

class ActionsSection : public SettingsSection {
    Q_OBJECT
public:
    explicit ActionsSection(QWidget* parent);
    void applySettings(const Settings& s) override;
    void takeSettings(Settings& s) const override;

    // "suche": a cancelled chooser keeps the path that was there.
    void chooseProgram();

    QLineEdit* programBox() const { return Text1; }
    QPushButton* searchButton() const { return Command3; }

private:
    QLineEdit* Text1;
    QPushButton* Command3;
};

}  // namespace kub::ui
