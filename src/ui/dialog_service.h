#pragma once
// Every message box of the window goes through here, so that tests can answer them
// without a person and the texts stay in one form.

#include <QString>

class QWidget;

namespace kub::ui {

enum class DialogIcon { None, Error, Warning, Information };

class DialogService {
public:
    virtual ~DialogService() = default;
    // A message with an OK button; returns when it has been acknowledged. An empty
    // title takes the program's name, as message boxes without a title of their own do.
    virtual void message(QWidget* parent, const QString& text, const QString& title,
                         DialogIcon icon) = 0;
    // A file to open; empty when the chooser was closed without one.
    virtual QString openFile(QWidget* parent, const QString& caption, const QString& filter);
};

// The service in force: message boxes, unless a test put its own in place.
DialogService& dialogs();
// nullptr restores the message boxes.
void setDialogService(DialogService* service);

}  // namespace kub::ui
