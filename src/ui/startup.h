#pragma once
// The program's start: refuse a second monitor on the same folder, then open the window.

#include <memory>
#include <string>

#include "common/clock.h"
#include "common/program_folder.h"

namespace kub::ui {

class MainWindow;

// Takes the folder lock into `lock`; when another monitor holds it, shows "Server läuft
// schon !" and returns nullptr. Otherwise the started window (not yet shown).
std::unique_ptr<MainWindow> startMonitor(const std::string& programFolder, FolderLock& lock,
                                         Clock& clock);

// The whole program on a QApplication that exists: start, show, run until closed. With
// a `demoRecording` the window runs the demo instead: on the folder "Demo" inside
// `programFolder` (the demo district is written there when it has no "Mon.ini" yet),
// the recording playing in a loop; the program folder itself is not touched.
int runMonitor(const std::string& programFolder, const std::string& demoRecording = {});

}  // namespace kub::ui
