#pragma once
// "MQTT": where this monitor publishes its receptions (Server, Port, Benutzer, Passwort,
// Themen-Präfix, TLS with its CA file), which other sites it takes in ("Fernempfang"),
// whether their receptions start the action program and the exports, and the reception
// watchdog. Kept in "MQTT.ini", not in "Mon.ini"; saved with "speichern" as the rest.

#include <QString>

#include "mqtt/mqtt_settings.h"
#include "ui/settings_section.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace kub::ui {

class MqttSection : public SettingsSection {
    Q_OBJECT
public:
    explicit MqttSection(QWidget* parent);
    void applyMqtt(const MqttSettings& s);
    void takeMqtt(MqttSettings& s) const;
    // The connection's latest state, as the link says it.
    void showState(const QString& text);

    QLineEdit* serverBox() const { return server_; }
    QLineEdit* portBox() const { return port_; }
    QLineEdit* userBox() const { return user_; }
    QLineEdit* passwordBox() const { return password_; }
    QLineEdit* prefixBox() const { return prefix_; }
    QCheckBox* tlsBox() const { return tls_; }
    QLineEdit* caFileBox() const { return caFile_; }
    QLineEdit* remoteBox() const { return remote_; }
    QCheckBox* remoteActionsBox() const { return remoteActions_; }
    QSpinBox* silentMinutesBox() const { return silentMinutes_; }
    QLineEdit* watchedBox() const { return watched_; }
    QLabel* stateLabel() const { return state_; }

private:
    QLineEdit* server_;
    QLineEdit* port_;
    QLineEdit* user_;
    QLineEdit* password_;
    QLineEdit* prefix_;
    QCheckBox* tls_;
    QLineEdit* caFile_;
    QLineEdit* remote_;
    QCheckBox* remoteActions_;
    QSpinBox* silentMinutes_;
    QLineEdit* watched_;
    QLabel* state_;
};

}  // namespace kub::ui
