#include "ui/settings_mqtt.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

namespace kub::ui {

namespace {

QLineEdit* lineBox(const char* name, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

}  // namespace

MqttSection::MqttSection(QWidget* parent) : SettingsSection(parent) {
    setObjectName(QStringLiteral("MQTT"));
    auto* grid = new QGridLayout(this);
    int row = 0;
    auto add = [&](const QString& label, QWidget* w, const QString& hint = {}) {
        grid->addWidget(new QLabel(label, this), row, 0);
        grid->addWidget(w, row, 1);
        if (!hint.isEmpty()) grid->addWidget(new QLabel(hint, this), row, 2);
        ++row;
    };
    server_ = lineBox("MqttServer", this);
    add(QStringLiteral("Server:"), server_, QStringLiteral("leer = kein MQTT"));
    port_ = lineBox("MqttPort", this);
    port_->setValidator(new QIntValidator(1, 65535, port_));
    port_->setMaximumWidth(120);
    add(QStringLiteral("Port:"), port_, QStringLiteral("1883, mit TLS meist 8883"));
    user_ = lineBox("MqttBenutzer", this);
    add(QStringLiteral("Benutzer:"), user_);
    password_ = lineBox("MqttPasswort", this);
    password_->setEchoMode(QLineEdit::Password);
    add(QStringLiteral("Passwort:"), password_);
    prefix_ = lineBox("MqttPraefix", this);
    add(QStringLiteral("Themen-Präfix:"), prefix_, QStringLiteral("z. B. kreis/wache1"));
    tls_ = new QCheckBox(QStringLiteral("TLS"), this);
    tls_->setObjectName(QStringLiteral("MqttTls"));
    grid->addWidget(tls_, row++, 1);
    caFile_ = lineBox("MqttCaDatei", this);
    add(QStringLiteral("CA-Datei:"), caFile_, QStringLiteral("leer = die des Systems"));
    remote_ = lineBox("MqttFernempfang", this);
    add(QStringLiteral("Fernempfang:"), remote_, QStringLiteral("Präfixe anderer Standorte, durch Leerzeichen getrennt"));
    remoteActions_ =
        new QCheckBox(QStringLiteral("Aktionsprogramm und Exporte auch für Eingänge anderer Standorte"), this);
    remoteActions_->setObjectName(QStringLiteral("MqttFernAktionen"));
    grid->addWidget(remoteActions_, row++, 0, 1, 3);
    silentMinutes_ = new QSpinBox(this);
    silentMinutes_->setObjectName(QStringLiteral("EmpfangStille"));
    silentMinutes_->setRange(0, 99999);
    silentMinutes_->setSpecialValueText(QStringLiteral("aus"));
    silentMinutes_->setSuffix(QStringLiteral(" Minuten"));
    add(QStringLiteral("Empfangswächter, Kanal still:"), silentMinutes_);
    watched_ = lineBox("EmpfangErwartet", this);
    add(QStringLiteral("erwartete RIC/Kennung:"), watched_, QStringLiteral("NAME=MINUTEN, z. B. 1234567=60"));
    state_ = new QLabel(this);
    state_->setObjectName(QStringLiteral("MqttZustand"));
    state_->setWordWrap(true);
    grid->addWidget(state_, row++, 0, 1, 3);
    grid->setRowStretch(row, 1);
    grid->setColumnStretch(1, 1);

    for (QLineEdit* box : {server_, port_, user_, password_, prefix_, caFile_, remote_, watched_})
        connect(box, &QLineEdit::textEdited, this, &SettingsSection::edited);
    for (QCheckBox* box : {tls_, remoteActions_}) connect(box, &QCheckBox::clicked, this, &SettingsSection::edited);
    connect(silentMinutes_, &QSpinBox::valueChanged, this, &SettingsSection::edited);
}

void MqttSection::applyMqtt(const MqttSettings& s) {
    const QSignalBlocker quiet(silentMinutes_);
    server_->setText(QString::fromStdString(s.server));
    port_->setText(QString::number(s.port));
    user_->setText(QString::fromStdString(s.user));
    password_->setText(QString::fromStdString(s.password));
    prefix_->setText(QString::fromStdString(s.prefix));
    tls_->setChecked(s.tls);
    caFile_->setText(QString::fromStdString(s.caFile));
    remote_->setText(QString::fromStdString(joinWords(s.remotePrefixes)));
    remoteActions_->setChecked(s.remoteActions);
    silentMinutes_->setValue(s.silentChannelMinutes);
    watched_->setText(QString::fromStdString(watchedNamesText(s.watchedNames)));
}

void MqttSection::takeMqtt(MqttSettings& s) const {
    s.server = server_->text().trimmed().toStdString();
    const int port = port_->text().toInt();
    s.port = port > 0 && port < 65536 ? port : (tls_->isChecked() ? kMqttsDefaultPort : kMqttDefaultPort);
    s.user = user_->text().toStdString();
    s.password = password_->text().toStdString();
    std::string prefix = prefix_->text().trimmed().toStdString();
    while (!prefix.empty() && prefix.back() == '/') prefix.pop_back();
    s.prefix = prefix.empty() ? "kub" : prefix;
    s.tls = tls_->isChecked();
    s.caFile = caFile_->text().trimmed().toStdString();
    s.remotePrefixes = splitWords(remote_->text().toStdString());
    s.remoteActions = remoteActions_->isChecked();
    s.silentChannelMinutes = silentMinutes_->value();
    s.watchedNames = parseWatchedNames(watched_->text().toStdString());
}

void MqttSection::showState(const QString& text) { state_->setText(text); }

}  // namespace kub::ui
