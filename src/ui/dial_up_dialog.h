#pragma once
// "Upload zum Web-Server - Einwählen" (`Form10`): the dial-up connection profiles in
// `List1`, the first selected; "verbinden" (`Command1`) takes the selected one, the
// closing button (`Command2`) closes without dialling. The upload dials the chosen
// connection and hangs it up again when it is done.

#include <QDialog>
#include <string>
#include <vector>

class QListWidget;
class QPushButton;

namespace kub::ui {

class DialUpDialog : public QDialog {
    Q_OBJECT
public:
    DialUpDialog(const std::vector<std::string>& phoneBook, QWidget* parent);

    // The entry "verbinden" was pressed for, or -1.
    int chosenEntry() const { return chosen_; }

    QListWidget* entries() const { return List1; }
    QPushButton* connectButton() const { return Command1; }
    QPushButton* closeButton() const { return Command2; }

private:
    int chosen_ = -1;
    QListWidget* List1;
    QPushButton* Command1;
    QPushButton* Command2;
};

// Shows the dialog through the dialog service; the entry to dial or -1.
int chooseDialUpEntry(const std::vector<std::string>& phoneBook, QWidget* parent);

}  // namespace kub::ui
