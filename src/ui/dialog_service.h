#pragma once
// Every message box, question, input box, file and colour chooser and every modal dialog
// of the window goes through here, so that tests answer them without a person and the
// texts stay in one form.

#include <QColor>
#include <QString>
#include <optional>

class QDialog;
class QUrl;
class QWidget;

namespace kub::ui {

enum class DialogIcon { None, Error, Warning, Information };

// A service that only overrides `message` answers every other prompt as the person who
// cancels would: "Nein", "", no file, no colour, the dialog closed. The real dialogs
// override them all.
class DialogService {
public:
    virtual ~DialogService() = default;
    // A message with an OK button; returns when it has been acknowledged. An empty
    // title takes the program's name, as message boxes without a title of their own do.
    virtual void message(QWidget* parent, const QString& text, const QString& title,
                         DialogIcon icon) = 0;
    // The same message for what happens while nobody may be at the desk (start-up, the
    // timers, the decoding): shown beside the work and returning at once, so nothing
    // waits for the OK. One box per title; a newer text replaces the older one.
    virtual void notify(QWidget* parent, const QString& text, const QString& title, DialogIcon icon);
    // A question with "Ja" and "Nein"; true for "Ja". Closing the box counts as "Nein".
    virtual bool question(QWidget* parent, const QString& text, const QString& title);
    // An input box with OK and cancel, pre-filled with `preset`; cancel gives "" (an
    // input box never tells cancel from an empty answer).
    virtual QString input(QWidget* parent, const QString& prompt, const QString& title,
                          const QString& preset);
    // A file chooser starting on the desktop; the chosen path, or "" on cancel.
    virtual QString chooseFile(QWidget* parent, const QString& title);
    // The colour chooser in its full form (custom colours open), pre-set to `initial`;
    // nullopt on cancel.
    virtual std::optional<QColor> chooseColour(QWidget* parent, const QColor& initial);
    // Shows one of our own dialogs modally and returns its result when it has closed.
    virtual int exec(QDialog& dialog);
    // An address opened with the desktop's browser.
    virtual void openUrl(const QUrl& url);
};

// "Die Datei "Fzg.txt" konnte nicht geschrieben werden !": the change stays in memory.
void warnNotWritten(QWidget* parent, const QString& fileName);

// The service in force: real dialogs, unless a test put its own in place.
DialogService& dialogs();
// nullptr restores the real dialogs.
void setDialogService(DialogService* service);

}  // namespace kub::ui
