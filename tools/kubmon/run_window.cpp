#include "run_window.h"

#include <cstdio>


namespace kubmon {

namespace {
// The status page shows ten, the live web board fifty.
constexpr int kPageRows = 50;
constexpr const char* kFiles = "Dateien";
}  // namespace

RunWindow::RunWindow(FaultLines& faults) : faults_(faults) {
    setRecording(false);
    setRowLimit(kPageRows);
}

void RunWindow::writeRecovered() {
    faults_.end(kFiles, "Dateien im Programmordner werden wieder geschrieben.");
}

void RunWindow::writeFailed(const std::string& message) {
    faults_.begin(kFiles, message + " (weitere Schreibfehler werden nicht gemeldet, bis wieder geschrieben werden kann; "
                                    "der Empfang läuft weiter)");
}

void RunWindow::addUploadMessage(const std::string& text) {
    // "hh:mm:ss text": the same outcome as last time is not news.
    const std::size_t blank = text.find(' ');
    const std::string what = blank == std::string::npos ? text : text.substr(blank + 1);
    if (what == lastUpload_) return;
    lastUpload_ = what;
    faults_.say("Upload: " + what);
    // A page that reached the server ends whatever kept the last ones from it.
    if (what == "Datei übertragen") {
        for (const std::string& box : boxes_) faults_.forget(box);
        boxes_.clear();
    }
}

void RunWindow::messageBox(const std::string& text, const std::string& title) {
    // The same box with another file name or number in it is the same fault.
    const std::string kind = title + "|" + text.substr(0, text.find_first_of("=/0123456789"));
    if (faults_.begin(kind, title.empty() ? text : title + " " + text)) boxes_.push_back(kind);
}

int RunWindow::chooseDialUpEntry(const std::vector<std::string>& phoneBook) {
    // Nobody to ask: the first connection of the phone book.
    return phoneBook.empty() ? -1 : 0;
}

}  // namespace kubmon
