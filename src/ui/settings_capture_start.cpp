#include "ui/settings_capture_start.h"

#include <QHBoxLayout>

namespace kub::ui {

CaptureAtStartSection::CaptureAtStartSection(QWidget* parent) : SettingsSection(parent) {
    setObjectName(QStringLiteral("CaptureAtStart"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    box_ = new QCheckBox(QStringLiteral("Aufnahme beim Programmstart beginnen"), this);
    box_->setObjectName(QStringLiteral("CheckCaptureAtStart"));
    box_->setToolTip(QStringLiteral("Beim Start des Programms wird die gespeicherte Soundkarte geöffnet, "
                                    "als wäre \"Start\" gedrückt worden."));
    connect(box_, &QCheckBox::clicked, this, &SettingsSection::edited);
    row->addWidget(box_);
}

void CaptureAtStartSection::applySettings(const Settings& s) { box_->setChecked(s.captureAtStart); }

void CaptureAtStartSection::takeSettings(Settings& s) const { s.captureAtStart = box_->isChecked(); }

}  // namespace kub::ui
