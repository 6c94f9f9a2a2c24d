#pragma once
// The front's way to the full program: `kubmon-full` beside the front (the build folder,
// a program folder with both copied in) or where the package installs it.

#include <string>

namespace kubmon {

// Keeps the process's arguments for a hand-over later in a command.
void rememberArguments(char** argv);

// Replaces this process by the full program with the same arguments, standard streams
// and environment. Returns only when it cannot be started: why, as a line for stderr.
std::string handOverProblem();
// The same, saying why on stderr and returning 2 (the exit status).
int handOver();

}  // namespace kubmon
