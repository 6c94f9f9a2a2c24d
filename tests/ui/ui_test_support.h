#pragma once
// What the window tests share: a QApplication on the offscreen platform (made in main),
// a dialog service that records messages instead of waiting for a person, and program
// folders prepared with files as the monitor writes them (Windows-1252, CR LF).

#include <QColor>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <deque>
#include <functional>
#include <optional>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "common/clock.h"
#include "core/monitor_core.h"
#include "ui/dialog_service.h"

namespace kub::test {

struct RecordedMessage {
    QString text;
    QString title;
    ui::DialogIcon icon;
};

// What a prompt asked: its kind ("question", "input", "file", "colour", "dialog", "url"),
// its text or title and its preset.
struct RecordedPrompt {
    QString kind;
    QString text;
    QString title;
    QString preset;
};

// Answers every prompt from the queues the test filled; an empty queue answers as the
// person who cancels would ("Nein", "", no file, no colour), and the prompt is recorded
// all the same, so a test sees questions it did not expect.
class RecordingDialogs : public ui::DialogService {
public:
    RecordingDialogs() { ui::setDialogService(this); }
    ~RecordingDialogs() override { ui::setDialogService(nullptr); }
    void message(QWidget*, const QString& text, const QString& title, ui::DialogIcon icon) override {
        messages.push_back({text, title, icon});
    }
    bool question(QWidget*, const QString& text, const QString& title) override {
        prompts.push_back({QStringLiteral("question"), text, title, {}});
        if (answers.empty()) return false;
        const bool yes = answers.front();
        answers.pop_front();
        return yes;
    }
    QString input(QWidget*, const QString& prompt, const QString& title, const QString& preset) override {
        prompts.push_back({QStringLiteral("input"), prompt, title, preset});
        return take(inputs);
    }
    QString chooseFile(QWidget*, const QString& title) override {
        prompts.push_back({QStringLiteral("file"), {}, title, {}});
        return take(files);
    }
    std::optional<QColor> chooseColour(QWidget*, const QColor& initial) override {
        prompts.push_back({QStringLiteral("colour"), {}, {}, initial.name()});
        if (colours.empty()) return std::nullopt;
        auto c = colours.front();
        colours.pop_front();
        return c;
    }
    int exec(QDialog& dialog) override;
    void openUrl(const QUrl& url) override { urls.push_back(url); }

    bool saw(const QString& text) const {
        for (const auto& m : messages)
            if (m.text == text) return true;
        return false;
    }
    // The texts of the prompts of one kind, in order.
    QStringList asked(const QString& kind) const {
        QStringList out;
        for (const auto& p : prompts)
            if (p.kind == kind) out << (p.text.isEmpty() ? p.title : p.text);
        return out;
    }

    std::vector<RecordedMessage> messages;
    std::vector<RecordedPrompt> prompts;
    std::deque<bool> answers;                   // questions: true = "Ja"
    std::deque<QString> inputs;                 // input boxes
    std::deque<QString> files;                  // file choosers
    std::deque<std::optional<QColor>> colours;  // colour choosers
    // Drives a modal dialog of our own while it is "shown"; returns its result. Without
    // one the dialog is rejected at once.
    std::function<int(QDialog&)> onDialog;
    std::vector<QUrl> urls;

private:
    static QString take(std::deque<QString>& q) {
        if (q.empty()) return QString();
        QString v = q.front();
        q.pop_front();
        return v;
    }
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
    // The file exactly as it is on disk; "" when it is missing.
    std::string bytes(const std::string& relative) const;

private:
    std::string path_;
};

// The bytes a file of these lines has on disk: each line in Windows-1252 with CR LF.
std::string fileBytes(const std::vector<std::string>& utf8Lines);

// Byte-for-byte equality that reports only the first difference (the files run to
// thousands of lines).
::testing::AssertionResult sameBytes(const std::string& actual, const std::string& expected);

// 07.12.2026 10:30:00 local time, the tests' "now".
double testEpoch();

// Feeds mono samples (both channels) block by block through the dispatch.
void feedBothChannels(MonitorCore& core, const std::vector<float>& mono);

}  // namespace kub::test
