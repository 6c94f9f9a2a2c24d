#pragma once
// "Verlauf": how many days the reception history keeps and, for a district, the
// PostgreSQL server it is kept in instead of "Verlauf.sqlite". Both live in "Verlauf.toml"
// in the program folder (not in "Mon.ini"), so the section has its own button; the
// file's other lines and comments stay. The history takes them at the next start.

#include "ui/settings_section.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace kub::ui {

class HistorySection : public SettingsSection {
    Q_OBJECT
public:
    HistorySection(std::string programFolder, QWidget* parent);

    // The file as it is now (also after it was changed by hand).
    void load();
    // Checks the address, writes the file; what happened is in stateLabel().
    bool save();

    QSpinBox* retentionBox() const { return retention_; }
    QLineEdit* urlEdit() const { return url_; }
    QPushButton* saveButton() const { return save_; }
    QLabel* stateLabel() const { return state_; }

private:
    void say(const QString& text, bool fault);

    const std::string folder_;
    QSpinBox* retention_;
    QLineEdit* url_;
    QPushButton* save_;
    QLabel* state_;
};

}  // namespace kub::ui
