#pragma once
// The front's way to the full program: `kubmon-full` beside the front (the build folder,
// a program folder with both copied in) or where the package installs it.

namespace kubmon {

// Keeps the process's arguments for a hand-over later in a command.
void rememberArguments(char** argv);

// Replaces this process by the full program with the same arguments, standard streams
// and environment. Returns (2) only when it cannot be started, having said why.
int handOver();

}  // namespace kubmon
