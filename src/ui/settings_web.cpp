#include "ui/settings_web.h"

#include <QGridLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>

namespace kub::ui {

WebViewSection::WebViewSection(QWidget* parent) : SettingsSection(parent) {
    setObjectName(QStringLiteral("WebAnsicht"));
    auto* grid = new QGridLayout(this);
    auto* intro = new QLabel(
        QStringLiteral("Statustafel, Empfangslisten und Alarmlisten live im Browser (Tablet in der Fahrzeughalle, "
                       "Telefon). Nur Lesen: im Browser wird nichts geändert."),
        this);
    intro->setWordWrap(true);
    grid->addWidget(intro, 0, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Adresse:"), this), 1, 0);
    address_ = new QLineEdit(this);
    address_->setObjectName(QStringLiteral("WebAdresse"));
    grid->addWidget(address_, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("127.0.0.1 = nur dieser Rechner, 0.0.0.0 = alle Netze"), this), 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Port:"), this), 2, 0);
    port_ = new QLineEdit(this);
    port_->setObjectName(QStringLiteral("WebPort"));
    port_->setValidator(new QIntValidator(0, 65535, port_));
    port_->setMaximumWidth(120);
    grid->addWidget(port_, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("0 = Web-Ansicht aus"), this), 2, 2);
    grid->addWidget(new QLabel(QStringLiteral("Zugangsschlüssel:"), this), 3, 0);
    key_ = new QLineEdit(this);
    key_->setObjectName(QStringLiteral("WebSchluessel"));
    key_->setEchoMode(QLineEdit::PasswordEchoOnEdit);
    grid->addWidget(key_, 3, 1);
    auto* keyHint = new QLabel(
        QStringLiteral("Pflicht für jede Adresse außer 127.0.0.1 (8 bis 128 Zeichen: A-Z a-z 0-9 - . _ ~). "
                       "Im Browser einmal http://ADRESSE:PORT/?key=SCHLÜSSEL aufrufen, danach merkt er ihn sich."),
        this);
    keyHint->setWordWrap(true);
    grid->addWidget(keyHint, 4, 0, 1, 3);
    state_ = new QLabel(this);
    state_->setObjectName(QStringLiteral("WebZustand"));
    state_->setWordWrap(true);
    grid->addWidget(state_, 5, 0, 1, 3);
    grid->setRowStretch(6, 1);
    grid->setColumnStretch(2, 1);

    for (QLineEdit* e : {address_, port_, key_}) connect(e, &QLineEdit::textEdited, this, &SettingsSection::edited);
}

void WebViewSection::applyWeb(const WebSettings& s) {
    address_->setText(QString::fromStdString(s.address));
    port_->setText(QString::number(s.port));
    key_->setText(QString::fromStdString(s.key));
}

WebSettings WebViewSection::webSettings() const {
    WebSettings s;
    s.address = address_->text().trimmed().toStdString();
    if (s.address.empty()) s.address = "127.0.0.1";
    s.port = port_->text().toInt();
    s.key = key_->text().trimmed().toStdString();
    return s;
}

void WebViewSection::showState(const QString& text, bool fault) {
    state_->setText(text);
    QPalette p = state_->palette();
    p.setColor(QPalette::WindowText, fault ? Qt::red : palette().color(QPalette::WindowText));
    state_->setPalette(p);
}

}  // namespace kub::ui
