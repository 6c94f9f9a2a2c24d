#pragma once
// What the window tests share: a QApplication on the offscreen platform (made in main),
// a dialog service that records messages instead of waiting for a person, and program
// folders prepared with files as the monitor writes them (Windows-1252, CR LF).

#include <QString>
#include <filesystem>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/monitor_core.h"
#include "ui/dialog_service.h"

namespace kub::test {

struct RecordedMessage {
    QString text;
    QString title;
    ui::DialogIcon icon;
};

class RecordingDialogs : public ui::DialogService {
public:
    RecordingDialogs() { ui::setDialogService(this); }
    ~RecordingDialogs() override { ui::setDialogService(nullptr); }
    void message(QWidget*, const QString& text, const QString& title, ui::DialogIcon icon) override {
        messages.push_back({text, title, icon});
    }
    bool saw(const QString& text) const {
        for (const auto& m : messages)
            if (m.text == text) return true;
        return false;
    }
    std::vector<RecordedMessage> messages;
    // The file chooser "picks" this one (empty: closed without a file).
    QString openFile(QWidget*, const QString&, const QString&) override { return fileToOpen; }
    QString fileToOpen;
};

// A fresh folder under the temporary directory, removed again at the end.
class ProgramFolder {
public:
    ProgramFolder();
    ~ProgramFolder();
    const std::string& path() const { return path_; }
    // Writes UTF-8 lines as Windows-1252 with CR LF.
    void write(const std::string& relative, const std::vector<std::string>& lines) const;
    std::vector<std::string> read(const std::string& relative) const;
    bool exists(const std::string& relative) const;

private:
    std::string path_;
};

// 07.12.2026 10:30:00 local time, the tests' "now".
double testEpoch();

// Feeds mono samples (both channels) block by block through the dispatch.
void feedBothChannels(MonitorCore& core, const std::vector<float>& mono);

}  // namespace kub::test
