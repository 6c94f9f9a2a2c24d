#pragma once
// "Aufnahme beim Programmstart beginnen" in "Soundkarte" ("Mon.ini" line 35): a monitor
// that comes back after a power cut decodes again without anyone pressing "Start".

#include <QCheckBox>

#include "ui/settings_section.h"

namespace kub::ui {

class CaptureAtStartSection : public SettingsSection {
    Q_OBJECT
public:
    explicit CaptureAtStartSection(QWidget* parent);
    void applySettings(const Settings& s) override;
    void takeSettings(Settings& s) const override;

    QCheckBox* box() const { return box_; }

private:
    QCheckBox* box_ = nullptr;
};

}  // namespace kub::ui
