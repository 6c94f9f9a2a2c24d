#pragma once
// "eigene Anwendung per Win-Messages": the local message export (`Check4` "aktivieren")
// to the application whose window title is entered in `Text5`.

#include "ui/settings_section.h"

class QCheckBox;
class QLineEdit;

namespace kub::ui {

class WindowMessageSection : public SettingsSection {
    Q_OBJECT
public:
    explicit WindowMessageSection(QWidget* parent);
    void applySettings(const Settings& s) override;
    void takeSettings(Settings& s) const override;

    QCheckBox* exportBox() const { return Check4; }
    QLineEdit* titleBox() const { return Text5; }

private:
    QCheckBox* Check4;
    QLineEdit* Text5;
};

}  // namespace kub::ui
