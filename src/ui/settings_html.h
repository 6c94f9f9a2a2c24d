#pragma once
// "HTML-Export": the status page ("Html-Seite erzeugen", `Command6`), its upload
// ("hochladen", `Command7`) with the server settings `Text2`(0..3), the connection kind
// `Option1`(0..1), the automatic page `Check2` and the progress list `List5`.

#include <array>
#include <functional>

#include "ui/settings_section.h"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace kub::ui {

class HtmlExportSection : public SettingsSection {
    Q_OBJECT
public:
    explicit HtmlExportSection(QWidget* parent);
    void applySettings(const Settings& s) override;
    void takeSettings(Settings& s) const override;

    // One progress line (already carrying its time prefix).
    void addUploadMessage(const QString& text);

    QLineEdit* serverField(int i) const { return Text2[static_cast<std::size_t>(i)]; }
    QRadioButton* connectionOption(int i) const { return Option1[static_cast<std::size_t>(i)]; }
    QCheckBox* autoPageBox() const { return Check2; }
    QPushButton* writePageButton() const { return Command6; }
    QPushButton* uploadButton() const { return Command7; }
    QListWidget* progressList() const { return List5; }

signals:
    void writePageRequested();
    void uploadRequested();

private:
    std::array<QLineEdit*, 4> Text2{};
    std::array<QRadioButton*, 2> Option1{};
    QCheckBox* Check2;
    QPushButton* Command6;
    QPushButton* Command7;
    QListWidget* List5;
};

}  // namespace kub::ui
