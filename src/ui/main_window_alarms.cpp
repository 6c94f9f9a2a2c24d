// The window's alarm rules: an output of every reception, their faults in the red line,
// the section "Alarmierung" on the settings tab.
#include <QLabel>

#include "alarm/alarm_start.h"
#include "ui/main_window.h"
#include "ui/settings_alarms.h"
#include "ui/settings_tab.h"

namespace kub::ui {

namespace {
constexpr int kAlarmsSection = 12;
}  // namespace

void MainWindow::buildAlarms() {
    // The red line is shared with the write faults: a good file takes back only its own line.
    auto said = std::make_shared<QString>();
    alarms_ = std::make_unique<AlarmStart>(core_.context, folder_, clock_, &wiring_.alarmBroker(), [this, said](const std::string& line, bool fault) {
        if (fault) {
            *said = QString::fromStdString(line);
            writeFailure_->setText(*said);
            writeFailure_->show();
        } else if (!said->isEmpty() && writeFailure_->text() == *said) {
            writeFailure_->hide();
            said->clear();
        }
    });
    alarmsSection_ = new AlarmsSection(*alarms_, settingsTab_);
    settingsTab_->addSection(kAlarmsSection, alarmsSection_);
}

}  // namespace kub::ui
