#pragma once
// The decoding improvements of our own (Mon.ini lines 31 to 34), shown in "Soundkarte"
// under the decoder switches. All four on is the recommended setting; all four off
// decodes exactly the classic way.

#include <QCheckBox>
#include <array>

#include "ui/settings_section.h"

namespace kub::ui {

class DecoderQualitySection : public SettingsSection {
    Q_OBJECT
public:
    explicit DecoderQualitySection(QWidget* parent);
    void applySettings(const Settings& s) override;
    void takeSettings(Settings& s) const override;

    // 0 input filter, 1 POCSAG error correction, 2 FMS check bits, 3 POCSAG batch-aware end.
    QCheckBox* option(int i) const { return boxes_[static_cast<std::size_t>(i)]; }

private:
    std::array<QCheckBox*, 4> boxes_{};
};

}  // namespace kub::ui
