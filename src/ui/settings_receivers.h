#pragma once
// "Meldeempfänger (ZVEI/POCSAG)": the receiver table `Grid_melder` (number, holder,
// colour of the number cell) with "neu", "ändern", "löschen", and the import of
// five-tone numbers from an I-R-F-BOS file. "ZVEI.txt" is written after every edit.

#include <QTableWidget>
#include <functional>
#include <string>

#include "storage/receiver_list.h"
#include "ui/settings_section.h"

class QPushButton;

namespace kub::ui {

struct ReceiverEditContext {
    ReceiverLists& receivers;
    std::string programFolder;
    std::function<void(const QString& fileName)> notWritten;
};

// The colour chooser of the receiver rows: the chosen colour, or `initial` on cancel.
std::int32_t chooseColour(QWidget* parent, std::int32_t initial);

class ReceiversSection : public SettingsSection {
    Q_OBJECT
public:
    ReceiversSection(ReceiverEditContext context, QWidget* parent);

    // The grid from the receiver list (start-up, and after every edit).
    void showReceivers();

    void addReceiver();     // "neu" (Command14)
    void changeReceiver();  // "ändern" (Command12)
    void removeReceiver();  // "löschen" (Command16)
    void importReceivers(); // "Import aus I-R-F-BOS-Datei" (Command11)

    QTableWidget* grid() const { return Grid_melder; }
    QPushButton* newButton() const { return Command14; }
    QPushButton* changeButton() const { return Command12; }
    QPushButton* removeButton() const { return Command16; }
    QPushButton* importButton() const { return Command11; }

private:
    void saveReceivers();
    int selectedRow() const;

    ReceiverEditContext ctx_;
    QTableWidget* Grid_melder;
    QPushButton* Command14;
    QPushButton* Command12;
    QPushButton* Command16;
    QPushButton* Command11;
};

}  // namespace kub::ui
