#pragma once
// "Eigenschaften" (`Form2`): edits one slot of the vehicle table — call name, info and
// Kennung, status and TKI by hand, and the pager codes carried on the vehicle. Every
// change reaches its file when it is made.

#include <QDialog>
#include <array>
#include <functional>
#include <string>

#include "common/clock.h"
#include "storage/receiver_list.h"
#include "storage/settings.h"
#include "storage/vehicle_table.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace kub::ui {

struct VehicleDialogContext {
    VehicleTable& table;
    ReceiverLists& receivers;
    const Settings& settings;
    std::string programFolder;
    const Clock& clock;
    // A file that could not be written (the change stays in memory).
    std::function<void(const QString& fileName)> notWritten;
};

class VehicleDialog : public QDialog {
    Q_OBJECT
public:
    VehicleDialog(VehicleDialogContext context, int slot, QWidget* parent);

    int slot() const { return slot_; }
    QLineEdit* field(int i) const { return Text1[static_cast<std::size_t>(i)]; }
    QPushButton* statusButton(int i) const { return Command3[static_cast<std::size_t>(i)]; }
    QPushButton* tkiButton(int i) const { return Command4[static_cast<std::size_t>(i)]; }
    QListWidget* codeList() const { return List1; }
    QPushButton* newCodeButton() const { return Command5; }
    QPushButton* removeCodeButton() const { return Command6; }
    QPushButton* saveButton() const { return Command1; }
    QPushButton* backButton() const { return Command2; }
    QLabel* note() const { return Label2; }

private:
    void save();
    void setStatus(int status);
    void setTki(int tki);
    void addCode();
    void removeCode();
    VehicleRecord& record();
    void writeStatus(const std::string& timeText);

    VehicleDialogContext ctx_;
    int slot_;
    bool openedEmpty_ = false;
    std::array<QLineEdit*, 3> Text1{};
    std::array<QPushButton*, 9> Command3{};
    std::array<QPushButton*, 4> Command4{};
    QListWidget* List1 = nullptr;
    QPushButton* Command5 = nullptr;
    QPushButton* Command6 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QLabel* Label2 = nullptr;
};

// Characters, not bytes: a Kennung of 8 umlauts is 8 characters long.
int textLength(const QString& text);

}  // namespace kub::ui
