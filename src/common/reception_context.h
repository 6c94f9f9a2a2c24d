#pragma once
// What the reception handling of every decoder shares: the clock, the window, and the
// single instances of the shared data. Later pieces add their data here.

#include <cstdint>
#include <string>

#include "common/clock.h"
#include "common/reception_window.h"
#include "export/action_launcher.h"
#include "storage/receiver_list.h"

namespace kub {

struct ReceptionContext {
    ReceptionContext(Clock& c, ReceptionWindow& w) : clock(c), window(w) {}

    Clock& clock;
    ReceptionWindow& window;
    // Program folder holding the data files; empty when no files are to be touched.
    std::string programFolder;
    // Set by the handling when the status page should be written anew.
    std::int16_t pageChanged = 0;
    // Receivers and their vehicles, looked up by the ZVEI and POCSAG handling.
    ReceiverLists receivers;
    // Exports: the action program (empty = none) and the two export switches. All off
    // until settings say otherwise.
    std::string actionProgram;
    bool tcpExportOn = false;
    bool windowExportOn = false;
    // Starts the action program; none means nothing is started.
    ActionLauncher* launcher = nullptr;
};

}  // namespace kub
