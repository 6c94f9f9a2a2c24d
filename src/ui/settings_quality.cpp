#include "ui/settings_quality.h"

#include <QGridLayout>
#include <QLabel>

namespace kub::ui {

namespace {

struct Option {
    const char* name;
    const char* caption;
    const char* hint;
};

constexpr std::array<Option, 4> kOptions = {{
    {"CheckFilter", "Eingangsfilter",
     "Filtert das Signal vor jedem Dekoder auf dessen Frequenzbereich; hilft bei Brummen und Rauschen."},
    {"CheckPocFec", "POCSAG-Fehlerkorrektur",
     "Prüft jedes POCSAG-Codewort und berichtigt bis zu zwei falsche Bits."},
    {"CheckFmsCrc", "FMS-Prüfbits prüfen",
     "Nimmt nur FMS-Telegramme an, deren Prüfbits stimmen."},
    {"CheckPocEnd", "POCSAG-Sendungsende erst nach Batch",
     "Eine Störung mitten in einem POCSAG-Batch beendet die Sendung nicht vorzeitig."},
}};

}  // namespace

DecoderQualitySection::DecoderQualitySection(QWidget* parent) : SettingsSection(parent) {
    setObjectName(QStringLiteral("DecoderQuality"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Dekodierung verbessern (empfohlen: alle an):"), this), 0, 0, 1, 2);
    for (std::size_t i = 0; i < kOptions.size(); ++i) {
        const Option& o = kOptions[i];
        auto* box = new QCheckBox(QString::fromUtf8(o.caption), this);
        box->setObjectName(QString::fromLatin1(o.name));
        box->setToolTip(QString::fromUtf8(o.hint));
        auto* hint = new QLabel(QString::fromUtf8(o.hint), this);
        hint->setWordWrap(true);
        QFont small = hint->font();
        small.setPointSizeF(small.pointSizeF() * 0.9);
        hint->setFont(small);
        connect(box, &QCheckBox::clicked, this, &SettingsSection::edited);
        boxes_[i] = box;
        grid->addWidget(box, static_cast<int>(i) + 1, 0);
        grid->addWidget(hint, static_cast<int>(i) + 1, 1);
    }
    grid->setColumnStretch(1, 1);
}

void DecoderQualitySection::applySettings(const Settings& s) {
    boxes_[0]->setChecked(s.inputFilter);
    boxes_[1]->setChecked(s.pocsagErrorCorrection);
    boxes_[2]->setChecked(s.fmsCheckBits);
    boxes_[3]->setChecked(s.pocsagBatchAwareEnd);
}

void DecoderQualitySection::takeSettings(Settings& s) const {
    auto on = [this](std::size_t i) { return boxes_[i]->isChecked(); };
    s.inputFilter = on(0);
    s.pocsagErrorCorrection = on(1);
    s.fmsCheckBits = on(2);
    s.pocsagBatchAwareEnd = on(3);
}

}  // namespace kub::ui
