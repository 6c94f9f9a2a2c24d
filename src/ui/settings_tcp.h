#pragma once
// "eigene Anwendung per Winsock": the TCP export (`Check3`, server `Text3`, port `Text4`)
// with its connection lamp `Shape4` and the state number `Label23`.

#include "export/tcp_export.h"
#include "ui/settings_section.h"

class QCheckBox;
class QLabel;
class QLineEdit;

namespace kub::ui {

class TcpExportSection : public SettingsSection {
    Q_OBJECT
public:
    explicit TcpExportSection(QWidget* parent);
    void applySettings(const Settings& s) override;
    void takeSettings(Settings& s) const override;

    // One watchdog tick: lamp colour and state number.
    void showTick(const WatchdogTick& tick);

    QCheckBox* exportBox() const { return Check3; }
    QLineEdit* serverBox() const { return Text3; }
    QLineEdit* portBox() const { return Text4; }
    QLabel* lamp() const { return Shape4; }
    QLabel* stateLabel() const { return Label23; }

private:
    QCheckBox* Check3;
    QLineEdit* Text3;
    QLineEdit* Text4;
    QLabel* Shape4;
    QLabel* Label23;
};

}  // namespace kub::ui
