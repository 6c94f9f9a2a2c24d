#pragma once
// One section of the settings tab (one frame of `Frame1`). A section that holds
// settings copies them into its controls at start-up and back when "speichern" is
// pressed; any edit of the operator's says so, and the save button turns red.

#include <QWidget>

#include "storage/settings.h"

namespace kub::ui {

class SettingsSection : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    virtual void applySettings(const Settings& /*s*/) {}
    virtual void takeSettings(Settings& /*s*/) const {}

signals:
    // The operator changed a setting that is not saved yet.
    void edited();
};

}  // namespace kub::ui
