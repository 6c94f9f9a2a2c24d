#pragma once
// The window of the headless monitor: the exports to the session's bindings, and instead
// of message boxes and status lines one line on stderr per fault. It keeps only the newest
// fifty rows per table (the live web board shows no more) and no record of lines, so it
// does not grow over months.

#include <cstddef>
#include <string>
#include <vector>

#include "core/headless_window.h"
#include "fault_lines.h"

namespace kubmon {

class RunWindow final : public kub::HeadlessWindow {
public:
    explicit RunWindow(FaultLines& faults);

    void addUploadMessage(const std::string& text) override;
    void messageBox(const std::string& text, const std::string& title) override;
    int chooseDialUpEntry(const std::vector<std::string>& phoneBook) override;

    // A data file could not be written (the reception is handled all the same); the
    // core tells this once per fault, and when every file can be written again.
    void writeFailed(const std::string& message);
    void writeRecovered();

private:
    FaultLines& faults_;
    std::string lastUpload_;
    std::vector<std::string> boxes_;
};

}  // namespace kubmon
