#pragma once
// The "Einstellungen" tab: the section list `List4`, the title `Label33`, one frame per
// section (`Frame1`(0..9)) and the save button `Command1` "speichern", which turns red
// while an edit has not been saved. Holds the controls of the sections "Soundkarte" (with
// our decoding improvements under the decoder switches), "Status für alle setzen" and
// "Fahrzeugansicht"; the other frames are filled by their own sections (`addSection`).

#include <QComboBox>
#include <QWidget>
#include <array>
#include <vector>

#include "storage/settings.h"
#include "ui/twips.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QFrame;
class QPushButton;
class QRadioButton;

namespace kub::ui {

class DecoderQualitySection;
class CaptureAtStartSection;
class SettingsSection;

constexpr int kSectionCount = 14;
extern const std::array<const char*, kSectionCount> kSectionNames;

// The device box marks the settings unsaved when it is opened.
class DeviceBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void showPopup() override;
signals:
    void popupShown();
};

class SettingsTab : public QWidget {
    Q_OBJECT
public:
    SettingsTab(Twips twips, QWidget* parent);

    // Start-up: the loaded values into the controls.
    void applySettings(const Settings& s);
    // Save: the values of the controls that exist here; the rest stay as they are.
    void takeSettings(Settings& s) const;

    // Puts a section into frame `entry`; its settings are applied and taken with the
    // others, and its edits mark the settings unsaved.
    void addSection(int entry, SettingsSection* section);

    void markUnsaved();
    void clearUnsaved();
    bool unsaved() const { return unsaved_; }

    void selectSection(int entry);
    void setSlotTotal(int vehicleCount);

    QListWidget* sectionList() const { return List4; }
    QLabel* sectionTitle() const { return Label33; }
    QFrame* frame(int i) const { return Frame1[static_cast<std::size_t>(i)]; }
    QPushButton* saveButton() const { return Command1; }
    QCheckBox* decoderSwitch(int i) const { return Check5[static_cast<std::size_t>(i)]; }
    DeviceBox* deviceBox() const { return InitDevices; }
    QPushButton* startButton() const { return Command5; }
    QPushButton* stopButton() const { return Command2; }
    QPushButton* statusButton(int i) const { return Command4[static_cast<std::size_t>(i)]; }
    QRadioButton* layoutOption(int i) const { return Option2[static_cast<std::size_t>(i)]; }
    QLabel* slotTotal() const { return summeFzge_; }
    DecoderQualitySection* decoderQuality() const { return quality_; }
    CaptureAtStartSection* captureAtStart() const { return captureAtStart_; }

signals:
    void saveRequested();
    // "Status für alle setzen": status 1 to 9.
    void statusForAll(int status);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildSoundCard(QFrame* f);
    void buildStatusForAll(QFrame* f);
    void buildLayout(QFrame* f);
    void placeFrames();

    Twips twips_;
    bool unsaved_ = false;
    QListWidget* List4;
    QLabel* Label33;
    std::array<QFrame*, kSectionCount> Frame1{};
    QPushButton* Command1;
    std::array<QCheckBox*, 6> Check5{};
    DeviceBox* InitDevices = nullptr;
    QPushButton* Command5 = nullptr;
    QPushButton* Command2 = nullptr;
    std::array<QPushButton*, 9> Command4{};
    std::array<QRadioButton*, 5> Option2{};  // 1..4
    QLabel* summeFzge_ = nullptr;
    DecoderQualitySection* quality_ = nullptr;
    CaptureAtStartSection* captureAtStart_ = nullptr;
    std::vector<SettingsSection*> sections_;
};

// Background of a push button from a colour value (kNormalButton: the normal face).
void setButtonColour(QPushButton* button, std::int32_t colourValue);
constexpr std::int32_t kNormalButton = kButtonFaceColour;

}  // namespace kub::ui
