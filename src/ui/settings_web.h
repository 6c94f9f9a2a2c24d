#pragma once
// "Web-Ansicht": the live web board of this monitor (address, port, access key) and
// whether it runs. Its values live in "Web.ini", not in "Mon.ini"; they take effect when
// "speichern" is pressed, like every other setting.

#include "storage/web_settings.h"
#include "ui/settings_section.h"

class QLabel;
class QLineEdit;

namespace kub::ui {

class WebViewSection : public SettingsSection {
    Q_OBJECT
public:
    explicit WebViewSection(QWidget* parent);

    void applyWeb(const WebSettings& s);
    WebSettings webSettings() const;
    // What the server does now: its address, "aus", or why it does not run (red).
    void showState(const QString& text, bool fault);

    QLineEdit* addressBox() const { return address_; }
    QLineEdit* portBox() const { return port_; }
    QLineEdit* keyBox() const { return key_; }
    QLabel* stateLabel() const { return state_; }

private:
    QLineEdit* address_;
    QLineEdit* port_;
    QLineEdit* key_;
    QLabel* state_;
};

}  // namespace kub::ui
