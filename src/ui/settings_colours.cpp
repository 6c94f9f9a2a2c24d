#include "ui/settings_colours.h"

#include <QEvent>
#include <QGridLayout>
#include <QMouseEvent>

#include "ui/colours.h"
#include "ui/dialog_service.h"

namespace kub::ui {

ColourField::ColourField(int index, QWidget* parent) : QLabel(parent), index_(index) {
    setObjectName(QStringLiteral("Label2_%1").arg(index));
    setAutoFillBackground(true);
    setFrameShape(QFrame::Box);
    setCursor(Qt::PointingHandCursor);
    setMinimumSize(90, 22);
}

void ColourField::setValue(std::int32_t value) {
    value_ = value;
    QPalette p = palette();
    p.setColor(QPalette::Window, colourFromValue(value_, parentWidget() ? parentWidget()->palette() : QPalette()));
    setPalette(p);
}

void ColourField::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked(index_);
    QLabel::mouseReleaseEvent(event);
}

void ColourField::changeEvent(QEvent* event) {
    // A system colour follows the desktop's palette.
    if (event->type() == QEvent::ParentChange && parentWidget()) setValue(value_);
    QLabel::changeEvent(event);
}

StatusColoursSection::StatusColoursSection(QWidget* parent) : SettingsSection(parent) {
    setObjectName(QStringLiteral("Statusfarben"));
    auto* grid = new QGridLayout(this);
    for (int i = 0; i < 9; ++i) {
        auto* caption = new QLabel(QStringLiteral("Status %1").arg(i + 1), this);
        caption->setObjectName(QStringLiteral("Label1_%1").arg(i));
        grid->addWidget(caption, i, 0);
        auto* f = new ColourField(i, this);
        f->setValue(kDefaultStatusColours[static_cast<std::size_t>(i)]);
        connect(f, &ColourField::clicked, this, &StatusColoursSection::pickColour);
        Label2[static_cast<std::size_t>(i)] = f;
        grid->addWidget(f, i, 1);
    }
    grid->addWidget(new QLabel(QStringLiteral("Felder anklicken"), this), 0, 2);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(9, 1);
}

void StatusColoursSection::applySettings(const Settings& s) {
    for (std::size_t i = 0; i < Label2.size(); ++i) Label2[i]->setValue(s.statusColours[i]);
}

void StatusColoursSection::takeSettings(Settings& s) const {
    for (std::size_t i = 0; i < Label2.size(); ++i) s.statusColours[i] = Label2[i]->value();
}

void StatusColoursSection::pickColour(int i) {
    if (i < 0 || i >= static_cast<int>(Label2.size())) return;
    ColourField* f = Label2[static_cast<std::size_t>(i)];
    const QColor current = colourFromValue(f->value(), palette());
    const std::optional<QColor> chosen = dialogs().chooseColour(this, current);
    if (chosen && chosen->isValid() && valueFromColour(*chosen) != f->value()) f->setValue(valueFromColour(*chosen));
    // Opening the chooser counts as an edit, also when it was cancelled.
    emit edited();
}

}  // namespace kub::ui
