#pragma once
// "Alarmierung": the rules and destinations of "Alarmierung.toml" with how each
// destination is doing (last delivery, waiting, failed, last error), and the buttons
// "Datei öffnen", "neu laden" and "Test senden". Nothing here is modal: a test to a
// destination that does not answer is shown as waiting, and decoding goes on.

#include <QTimer>

#include "ui/settings_section.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace kub {
class AlarmStart;
}

namespace kub::ui {

class AlarmsSection : public SettingsSection {
    Q_OBJECT
public:
    AlarmsSection(AlarmStart& alarms, QWidget* parent);

    // Rules, destinations and their state as they are now; also looks whether the file
    // changed (the timer does both every second).
    void refresh();

    QTableWidget* rulesTable() const { return rules_; }
    QTableWidget* targetsTable() const { return targets_; }
    QLabel* stateLabel() const { return state_; }
    QPushButton* openButton() const { return open_; }
    QPushButton* reloadButton() const { return reload_; }
    QPushButton* testButton() const { return test_; }

private:
    void openFile();
    void sendTest();

    AlarmStart& alarms_;
    QTableWidget* rules_;
    QTableWidget* targets_;
    QLabel* state_;
    QPushButton* open_;
    QPushButton* reload_;
    QPushButton* test_;
    // What the last button did, shown while the file has no fault.
    QString note_;
    QTimer timer_;
};

}  // namespace kub::ui
