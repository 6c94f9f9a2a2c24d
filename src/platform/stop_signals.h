#pragma once
// SIGINT and SIGTERM as a request to end the event loop: the signal handler only writes
// a byte into a pipe, the loop reads it and quits, so the monitor stops between two
// steps and never inside a file write.

#include <functional>

namespace kub {

// Installs the handlers; `onStop` runs on the event loop with the signal's number.
// Once per process. False when the pipe or the handlers cannot be set up.
bool onStopSignals(std::function<void(int signal)> onStop);

}  // namespace kub
