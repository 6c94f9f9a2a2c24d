#pragma once
// The Qt application object that sockets, processes and timers need; made on first use,
// on the test thread, and kept for the rest of the run.

#include <chrono>
#include <functional>

namespace kubtest {

void ensureQtApp();

// Handles events until `done` is true or `timeoutMs` have passed; returns `done()`.
bool waitFor(const std::function<bool()>& done, int timeoutMs = 10000);

}  // namespace kubtest
