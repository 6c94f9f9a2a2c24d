#pragma once
// "FMS-Statusfarben": the nine colour fields `Label2`(0..8) beside "Status 1" to
// "Status 9". A click opens the colour chooser; the board takes the colours when the
// settings are saved.

#include <QLabel>
#include <array>

#include "ui/settings_section.h"

namespace kub::ui {

class ColourField : public QLabel {
    Q_OBJECT
public:
    explicit ColourField(int index, QWidget* parent);
    std::int32_t value() const { return value_; }
    void setValue(std::int32_t value);

signals:
    void clicked(int index);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int index_;
    std::int32_t value_ = 0;
};

class StatusColoursSection : public SettingsSection {
    Q_OBJECT
public:
    explicit StatusColoursSection(QWidget* parent);
    void applySettings(const Settings& s) override;
    void takeSettings(Settings& s) const override;

    // Click on field i: the chooser pre-set to the field's colour.
    void pickColour(int field);
    ColourField* field(int i) const { return Label2[static_cast<std::size_t>(i)]; }

private:
    std::array<ColourField*, 9> Label2{};
};

}  // namespace kub::ui
